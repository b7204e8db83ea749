#pragma once

#include <QApplication>

// The hourglass for the length of a load or an export, restored on every path.
class CurseurOccupe final
{
public:
    CurseurOccupe() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurOccupe() { QApplication::restoreOverrideCursor(); }
    CurseurOccupe(const CurseurOccupe &) = delete;
    CurseurOccupe &operator=(const CurseurOccupe &) = delete;
};
