#pragma once

#include <QDialog>

class DataModule;
class QLabel;
class QPushButton;
class QTreeWidget;
struct CorrectionCarte;

// "Corrections des écritures de cartes": every correction with the bank's values
// beside the corrected ones, and the restoration of the bank's values.
class TFormCorrectionsCartesModal final : public QDialog
{
    Q_OBJECT

public:
    TFormCorrectionsCartesModal(DataModule &dm, QWidget *owner);

    static void Executer(QWidget *AOwner, DataModule &dm);

    void Rafraichir();
    QString CleSelectionnee() const;
    QString ActionSelectionnee() const;
    void AfficherDetail(const QString &ACle);
    void ViderDetail();
    void BtnRestaurerClick();
    bool ouverte() const { return m_ouverte; }

    // The "AVANT" and "APRÈS" labels of one detail row (0 to 4).
    QLabel *avant(int ALigne) const { return m_avant[ALigne]; }
    QLabel *apres(int ALigne) const { return m_apres[ALigne]; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    static constexpr int kLignesDetail = 5;

    void FormShow();
    void lvCorrectionsSelectItem();
    void Poser(int ALigne, const QString &AAvant, const QString &AApres, bool AComparer);
    QWidget *construireDetail();

    DataModule &m_dm;
    bool m_showVu = false;
    bool m_ouverte = false;
    QTreeWidget *lvCorrections = nullptr;
    QLabel *LabelTotal = nullptr;
    QPushButton *m_btnRestaurer = nullptr;
    QLabel *m_avant[kLignesDetail] = {};
    QLabel *m_apres[kLignesDetail] = {};
};
