#include "export/ui/ChampDate.h"

#include "common/FrenchFormat.h"
#include "export/ExportSelection.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QWidgetAction>

ChampDate::ChampDate(const QString &ANom, QWidget *parent) : QWidget(parent), m_edit(new QLineEdit(this))
{
    m_edit->setObjectName(ANom);
    m_edit->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
    m_edit->setMaxLength(10);
    m_edit->setClearButtonEnabled(true);
    m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);

    auto *bouton = new QToolButton(this);
    bouton->setObjectName(ANom + QStringLiteral("Calendrier"));
    bouton->setArrowType(Qt::DownArrow);
    bouton->setToolTip(QStringLiteral("Choisir dans le calendrier"));
    connect(bouton, &QToolButton::clicked, this, &ChampDate::choisir);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_edit, 1);
    layout->addWidget(bouton);
    setFocusProxy(m_edit);
}

QString ChampDate::text() const
{
    return m_edit->text();
}

void ChampDate::clear()
{
    m_edit->clear();
}

void ChampDate::choisir()
{
    QMenu menu(this);
    auto *calendrier = new QCalendarWidget(&menu);
    calendrier->setGridVisible(true);
    const QDate actuelle = ExportSelection::LireDateCourte(m_edit->text());
    if (actuelle.isValid())
        calendrier->setSelectedDate(actuelle);
    auto *action = new QWidgetAction(&menu);
    action->setDefaultWidget(calendrier);
    menu.addAction(action);
    connect(calendrier, &QCalendarWidget::activated, &menu, [this, &menu](QDate date) {
        m_edit->setText(FrenchFormat::displayDate(date));
        menu.close();
    });
    connect(calendrier, &QCalendarWidget::clicked, &menu, [this, &menu](QDate date) {
        m_edit->setText(FrenchFormat::displayDate(date));
        menu.close();
    });
    menu.exec(m_edit->mapToGlobal(QPoint(0, m_edit->height())));
}
