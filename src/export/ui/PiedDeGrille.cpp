#include "export/ui/PiedDeGrille.h"

#include <QAbstractItemModel>
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

    const QAbstractItemModel *modele = AGrille->model();
    if (!modele)
        return;
    const auto invalide = [this] { invalider(); };
    connect(modele, &QAbstractItemModel::modelReset, this, invalide);
    connect(modele, &QAbstractItemModel::rowsInserted, this, invalide);
    connect(modele, &QAbstractItemModel::rowsRemoved, this, invalide);
    connect(modele, &QAbstractItemModel::layoutChanged, this, invalide);
    connect(modele, &QAbstractItemModel::dataChanged, this, invalide);
}

void PiedDeGrille::setResume(int AColonne, Calcul ACalcul)
{
    m_calculs.insert(AColonne, std::move(ACalcul));
    invalider();
}

void PiedDeGrille::setTexte(int AColonne, const QString &ATexte)
{
    setResume(AColonne, [ATexte] { return ATexte; });
}

void PiedDeGrille::invalider()
{
    m_aJour = false;
    update();
}

void PiedDeGrille::calculer() const
{
    if (m_aJour)
        return;
    m_textes.clear();
    for (auto it = m_calculs.cbegin(); it != m_calculs.cend(); ++it)
        m_textes.insert(it.key(), it.value()());
    m_aJour = true;
}

QString PiedDeGrille::texte(int AColonne) const
{
    calculer();
    return m_textes.value(AColonne);
}

QSize PiedDeGrille::sizeHint() const
{
    return {100, fontMetrics().height() + 8};
}

void PiedDeGrille::paintEvent(QPaintEvent *)
{
    calculer();
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
