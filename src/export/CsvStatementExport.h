#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

class DataModule;
struct ExportLine;

// Writes the working table as one CSV statement per IBAN, records each file in
// T_EXPORTS and stamps its lines, file by file.
class CsvStatementExport final
{
public:
    explicit CsvStatementExport(DataModule &dm);

    // Returns the number of lines written. Throws ExportError when a re-export is
    // refused or a file cannot be written, DbError when the database fails; the
    // files already recorded stay recorded.
    int ExporterCSVCompte(const QString &APrefixe, const QString &ACheminDestination,
                          const QString &ATypeExport, bool AAutoriserReexportCommande);

    static QString EnTete();

private:
    struct Groupe
    {
        QString iban;
        QStringList lignes;
        int nombre = 0;
        double totalDebit = 0.0;
        double totalCredit = 0.0;
        QDate dateMin;
        QDate dateMax;
        qint64 compteId = 0;
        std::vector<qint64> ids;
        bool contientDejaExportees = false;
    };

    void AjouterLigne(Groupe &AGroupe, const ExportLine &ALigne);
    void FermerGroupe(const Groupe &AGroupe);
    QString SaveCSVFichiers(const Groupe &AGroupe);
    void ValiderExportIBAN(const Groupe &AGroupe, const QString &ATypeExport,
                           const QString &AFichier);
    void logInfo(const QString &AMessage);

    DataModule &m_dm;
    // State of the run in progress.
    bool m_reexportAutorise = false;
    QString m_dateRun;
    QString m_heureRun;
    QString m_prefixe;
    QString m_dossier;
    int m_nbFichiers = 0;
    int m_nbLignes = 0;
    double m_totalDebit = 0.0;
    double m_totalCredit = 0.0;
};
