#pragma once

#include <QDate>
#include <QDialog>

class DataModule;
class QCheckBox;
class QDateEdit;
class QLineEdit;

// "Modifier une ecriture de carte": the dates, both labels and the amount of one
// card transaction, checked before the dialog closes.
class TFormModifierCarteModal final : public QDialog
{
    Q_OBJECT

public:
    TFormModifierCarteModal(DataModule &dm, QWidget *owner);

    // The five values are shown and, when the user saves, replaced: the value date
    // becomes "yyyy-MM-dd" when its box is checked, empty otherwise; the labels are
    // trimmed. False, values untouched, when cancelled.
    static bool Executer(QWidget *AOwner, DataModule &dm, QDate &ADateEcriture, double &AMontant,
                         QString &ALibelleQuelvo, QString &ALibelleOriginal, QString &ADateValeur);

    void afficher(const QDate &ADateEcriture, double AMontant, const QString &ALibelleQuelvo,
                  const QString &ALibelleOriginal, const QString &ADateValeur);
    void BtnEnregistrerClick();

    QDate dateEcriture() const;
    QString dateValeur() const;
    QString libelleOriginal() const;
    QString libelleQuelvo() const;
    double montant() const { return FMontant; }

    // A stored value date read as ISO 8601 or as dd/mm/yyyy; null otherwise.
    static QDate LireDateValeur(const QString &ATexte);

private:
    DataModule &m_dm;
    QDateEdit *DateEcriture = nullptr;
    QCheckBox *m_avecDateValeur = nullptr;
    QDateEdit *DateValeur = nullptr;
    QLineEdit *EditOriginal = nullptr;
    QLineEdit *EditQuelvo = nullptr;
    QLineEdit *EditMontant = nullptr;
    double FMontant = 0.0;
};
