#pragma once

#include "company/Proprietaire.h"

#include <QDialog>

class DataModule;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

// "Proprietaire du compte bancaire": the register of account owners, in which the
// owner of a bank connection is chosen, created or corrected.
class TFormBridgeProprietaires final : public QDialog
{
    Q_OBJECT

public:
    TFormBridgeProprietaires(DataModule &dm, QWidget *owner);

    // Shows the window modally with the proposed name and address (a new entry
    // pre-filled from the selected account). True when the user confirmed an owner
    // that has an e-mail address, which is then in AChoix.
    static bool SelectionnerProprietaire(QWidget *AOwner, DataModule &dm, const QString &ADefaultNom,
                                         const QString &ADefaultEmail, Proprietaire &AChoix);

    void Init(const QString &ADefaultNom, const QString &ADefaultEmail);
    const Proprietaire &selection() const { return FSelected; }
    int idCourant() const { return FCurrentId; }
    bool ouverte() const { return m_ouverte; }

    void ChargerListe();
    void ChargerCourantDepuisQuery();
    void ViderEdition();
    bool SauverCourant();
    void DBGrid1DblClick();
    void BtnNouveauClick();
    void BtnEnregistrerClick();
    void BtnSelectionnerClick();
    void BtnAnnulerClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void ConfigurerColonnesGrille();
    void selectionnerLigne(int AProprietaireId);
    void avertir(const QString &ATexte);

    DataModule &m_dm;
    bool m_showVu = false;
    bool m_ouverte = false;
    int FCurrentId = 0;
    QString FDefaultNom;
    QString FDefaultEmail;
    Proprietaire FSelected;
    std::vector<Proprietaire> FQuery;

    QLineEdit *EditNom = nullptr;
    QLineEdit *EditEmail = nullptr;
    QLineEdit *EditTelephone = nullptr;
    QPlainTextEdit *MemoObservation = nullptr;
    QTableWidget *DBGrid1 = nullptr;
};
