#include "export/ui/PiedDeGrille.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

PiedDeGrille::PiedDeGrille(QTableView *AGrille, QWidget *parent) : QWidget(parent), m_grille(AGrille)
{
    setObjectName(AGrille->objectName() + QStringLiteral("Pied"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QHeaderView *header = AGrille->horizontalHeader();
    const auto redessiner = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, redessiner);
    connect(header, &QHeaderView::sectionMoved, this, redessiner);
    connect(header, &QHeaderView::geometriesChanged, this, redessiner);
    connect(AGrille->horizontalScrollBar(), &QScrollBar::valueChanged, this, redessiner);
}

void PiedDeGrille::setTexte(int AColonne, const QString &ATexte)
{
    m_textes.insert(AColonne, ATexte);
    update();
}

QSize PiedDeGrille::sizeHint() const
{
    return {100, fontMetrics().height() + 8};
}

void PiedDeGrille::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(rect().topLeft(), rect().topRight());
    painter.setPen(palette().color(QPalette::ButtonText));
    QFont gras = font();
    gras.setBold(true);
    painter.setFont(gras);

    // Columns start where the grid's viewport starts, after its frame and row header.
    QWidget *fenetre = window();
    const int origine = m_grille->viewport()->mapTo(fenetre, QPoint(0, 0)).x() - mapTo(fenetre, QPoint(0, 0)).x();
    painter.setClipRect(QRect(origine, 0, m_grille->viewport()->width(), height()));
    const QHeaderView *header = m_grille->horizontalHeader();
    for (auto it = m_textes.cbegin(); it != m_textes.cend(); ++it) {
        if (it.value().isEmpty() || header->isSectionHidden(it.key()))
            continue;
        const QRect cellule(origine + header->sectionViewportPosition(it.key()) + 3, 0,
                            header->sectionSize(it.key()) - 6, height());
        painter.drawText(cellule, Qt::AlignRight | Qt::AlignVCenter, it.value());
    }
}
