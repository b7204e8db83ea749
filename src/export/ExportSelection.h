#pragma once

#include "export/CompteChoix.h"

#include <QDate>
#include <QString>

#include <vector>

class DataModule;
class SqlQuery;
struct ExportLine;
struct RecapCompteExport;

// Selection side of the statement export engine: fills the working table, its
// display copy and the per-account recap held in the data module's ExportState.
class ExportSelection final
{
public:
    explicit ExportSelection(DataModule &dm);

    // Refills the three tables and returns the number of lines loaded; 0 also on a
    // bad date, which leaves the display copy and the recap as they were.
    int ChargerExportEnMemTable(const QString &AIban, const QString &ADateMinFR,
                                const QString &ADateMaxFR, const QString &AUpdatedAtMin,
                                bool AInclureDejaExportees, const QString &AFiltreType);
    // Rebuilds the recap from the display copy.
    void RemplirRecapComptesExport();
    // The accounts for a chooser, after a first "all accounts" item.
    void ChargerComptesEnListe(std::vector<CompteChoix> &AListe);

    // Value date shown for a transaction: the stored one in dd/MM/yyyy, else the
    // entry date.
    static QString DateValeurAffichee(const QString &AValueDate, const QDate &ADateEcriture);
    // Reads a typed short date (dd/MM/yyyy, leading zeros optional); null when invalid.
    static QDate LireDateCourte(const QString &AText);

private:
    struct InfosCompte
    {
        QString nom_banque;
        QString type_compte;
        QString client_raison_sociale;
        QString observation;
        double solde_initial = 0.0;
    };

    bool LireBorne(const QString &ATexte, const QString &ANom, QString &ADateSql);
    static ExportLine LireLigne(const SqlQuery &AQuery, bool ADejaExportee);
    void LogChargement(const QString &AIban, const QString &ADateMinFR, const QString &ADateMaxFR,
                       const QString &AUpdatedAtMin, bool AInclureDejaExportees, int ACount);
    QString ConstruireCondition(const QString &AIban, const QString &ADateMin,
                                const QString &ADateMax, const QString &AUpdatedAtMin,
                                bool AInclureDejaExportees, const QString &AFiltreType) const;
    void RemplirCopieAffichage();
    InfosCompte ChargerInfosCompte(const QString &AIban);
    void EcrireLigneRecap(RecapCompteExport &ARecap, const InfosCompte &AInfos);
    void logInfo(const QString &AMessage, const QString &AResultat = QStringLiteral("INFO"));

    DataModule &m_dm;
};
