#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>

class QTableView;

// The footer row of a grid: totals written under their columns, following the
// columns when they are resized or scrolled. Totals are worked out when they are
// next shown or read, once however many rows a filter change adds or removes.
class PiedDeGrille final : public QWidget
{
    Q_OBJECT

public:
    using Calcul = std::function<QString()>;

    // The grid's model must be set already.
    PiedDeGrille(QTableView *AGrille, QWidget *parent);

    void setResume(int AColonne, Calcul ACalcul);
    // A fixed text under the column.
    void setTexte(int AColonne, const QString &ATexte);
    QString texte(int AColonne) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void invalider();
    void calculer() const;

    QTableView *m_grille;
    QHash<int, Calcul> m_calculs;
    mutable QHash<int, QString> m_textes;
    mutable bool m_aJour = false;
};
