#pragma once

#include <QStringList>

// Interactive start on a QApplication: data module, then the main window.
namespace DesktopStart {

int run(const QStringList &params);

} // namespace DesktopStart
