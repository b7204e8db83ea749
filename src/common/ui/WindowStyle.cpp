#include "common/ui/WindowStyle.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

namespace WindowStyle {

QFont font(qreal pointSize)
{
    QFont f;
    f.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(pointSize);
    return f;
}

QLabel *titleLabel(const QString &text, qreal pointSize, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPointSizeF(pointSize);
    f.setBold(true);
    label->setFont(f);
    return label;
}

void centreOn(QWidget *window, const QWidget *owner)
{
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (!area.isValid())
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

} // namespace WindowStyle
