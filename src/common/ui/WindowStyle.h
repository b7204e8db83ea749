#pragma once

#include <QFont>
#include <QString>

class QWidget;
class QLabel;

// Small helpers shared by the windows: the documented font, bold titles, and the
// placement of a window over its owner.
namespace WindowStyle {

// "Segoe UI" where it exists, the desktop's sans-serif font otherwise.
QFont font(qreal pointSize = 10);
QLabel *titleLabel(const QString &text, qreal pointSize, QWidget *parent);
// Centres the window on its owner, or on the screen without one.
void centreOn(QWidget *window, const QWidget *owner);

} // namespace WindowStyle
