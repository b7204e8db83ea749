#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class DataModule;
class SqlQuery;
struct ExportLine;

// Accounting entries for card transactions: one CSV file per card account of the
// working table, two balanced lines per transaction between the typed card account
// and the fixed counterpart "4711100"; each file recorded and its lines stamped.
class CardAccountingExport final
{
public:
    explicit CardAccountingExport(DataModule &dm);

    static QString CompteContrepartie() { return QStringLiteral("4711100"); }
    static QString EnTete();
    // 1 to 10 characters among A-Z, 0-9, "-" and "_".
    static bool CodeJournalValide(const QString &AValue);
    // 2 to 20 digits beginning with "511" or "58".
    static bool Compte511Valide(const QString &AValue);

    // Returns the number of transactions written; ANbFichiers receives the number of
    // files. Throws ExportError (bad journal or account, file not written) or DbError
    // (marking failed); the files of earlier accounts stay written and recorded.
    int ExporterComptableCartes(const QString &ACodeJournal, const QString &ACompte511,
                                const QString &ARepertoire, const QString &ATypeExport,
                                int &ANbFichiers);

private:
    struct Groupe
    {
        QStringList lignes;
        QStringList ids;
        int nombre = 0;
        qint64 compteId = 0;
        QString iban;
        QString accountId;
        QDate dateMin;
        QDate dateMax;
        double totalDebit = 0.0;
        double totalCredit = 0.0;
    };

    void OuvrirGroupe();
    void AjouterLigne(const QDate &ADate, const QString &APiece, const QString &ALibelle,
                      const QString &ADevise, const QString &ACompte, double ADebit,
                      double ACredit);
    void AjouterTransaction(const ExportLine &ALigne, SqlQuery &ADevise);
    void FermerGroupe();

    DataModule &m_dm;
    // State of the run in progress.
    QString m_journal;
    QString m_compte511;
    QString m_dossier;
    QString m_typeExport;
    Groupe m_groupe;
    int m_resultat = 0;
    int m_nbFichiers = 0;
};
