#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

class QTableView;

// The footer row of a grid: totals written under their columns, following the
// columns when they are resized or scrolled.
class PiedDeGrille final : public QWidget
{
    Q_OBJECT

public:
    PiedDeGrille(QTableView *AGrille, QWidget *parent);

    void setTexte(int AColonne, const QString &ATexte);
    QString texte(int AColonne) const { return m_textes.value(AColonne); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTableView *m_grille;
    QHash<int, QString> m_textes;
};
