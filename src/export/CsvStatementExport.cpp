#include "export/CsvStatementExport.h"

#include "export/FichierLivre.h"
#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/DbTransaction.h"
#include "export/ExportError.h"
#include "export/ExportMarking.h"
#include "export/ExportState.h"
#include "export/ExportUtils.h"

#include <QDir>

namespace {

const QString kReexportRefuse = QStringLiteral("Réexportation réservée au niveau 9");

// Amounts are written only when present and above zero.
bool montantEcrit(const std::optional<double> &AMontant)
{
    return AMontant && *AMontant > 0;
}

QString champMontant(const std::optional<double> &AMontant)
{
    return montantEcrit(AMontant) ? FrenchFormat::amountPoint(*AMontant) : QString();
}

// A line break inside a label would split the statement line in two.
QString surUneLigne(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QString dateNomFichier(const QDate &ADate)
{
    return ADate.toString(QStringLiteral("dd-MM-yyyy"));
}

} // namespace

CsvStatementExport::CsvStatementExport(DataModule &dm) : m_dm(dm)
{
}

QString CsvStatementExport::EnTete()
{
    return QStringLiteral(
        "date;date_valeur;description;debit;credit;reference;account_id;iban;type_compte;updated_at");
}

int CsvStatementExport::ExporterCSVCompte(const QString &APrefixe,
                                          const QString &ACheminDestination,
                                          const QString &ATypeExport,
                                          bool AAutoriserReexportCommande)
{
    QString mode = ATypeExport.trimmed().toUpper();
    if (mode.isEmpty())
        mode = QStringLiteral("EXPORT");
    m_reexportAutorise = m_dm.user_courant_niveau >= 9 || AAutoriserReexportCommande;
    if (mode == QLatin1String("REEXPORT") && !m_reexportAutorise)
        throw ExportError(kReexportRefuse);
    if (mode != QLatin1String("REEXPORT"))
        mode = QStringLiteral("EXPORT");

    const QDateTime instant = m_dm.now();
    m_dateRun = FrenchFormat::sqlDate(instant.date());
    m_heureRun = FrenchFormat::sqlTime(instant.time());

    const std::vector<ExportLine> &table = m_dm.exports().FDMemTableExport;
    if (table.empty()) {
        logInfo(QStringLiteral("Aucune donnée à exporter (chargez d'abord)"));
        return 0;
    }

    m_prefixe = APrefixe.trimmed();
    m_dossier = ACheminDestination.trimmed();
    if (m_dossier.isEmpty())
        m_dossier = m_dm.chemin_releve;
    m_dossier = ExportUtils::AvecSeparateurFinal(m_dossier);
    QDir().mkpath(m_dossier);
    m_nbFichiers = 0;
    m_nbLignes = 0;
    m_totalDebit = 0.0;
    m_totalCredit = 0.0;

    Groupe groupe;
    int sansIban = 0;
    for (const ExportLine &ligne : table) {
        if (ligne.iban.trimmed().isEmpty()) {
            ++sansIban;
            continue;
        }
        if (ligne.iban != groupe.iban) {
            FermerGroupe(groupe);
            groupe = Groupe();
            groupe.iban = ligne.iban;
            groupe.lignes.append(EnTete());
        }
        AjouterLigne(groupe, ligne);
    }
    FermerGroupe(groupe);

    if (sansIban > 0)
        logInfo(QString::number(sansIban)
                + QStringLiteral(" écriture(s) sans IBAN non exportée(s)"));
    logInfo(QStringLiteral("--- Export CSV terminé ---"));
    logInfo(QStringLiteral("Mode demandé : ") + mode);
    logInfo(QStringLiteral("Type réel dans T_EXPORTS : EXPORT ou REEXPORT selon présence de lignes "
                           "déjà exportées par IBAN"));
    logInfo(QStringLiteral("Préfixe : ")
            + (m_prefixe.isEmpty() ? QStringLiteral("(aucun)") : m_prefixe));
    logInfo(QStringLiteral("Chemin : ") + m_dossier);
    logInfo(QStringLiteral("Nombre de fichiers : ") + QString::number(m_nbFichiers));
    logInfo(QStringLiteral("Total écritures : ") + QString::number(m_nbLignes));
    logInfo(QStringLiteral("Total débit global  : ") + FrenchFormat::amountComma(m_totalDebit)
            + QStringLiteral(" €"));
    logInfo(QStringLiteral("Total crédit global : ") + FrenchFormat::amountComma(m_totalCredit)
            + QStringLiteral(" €"));
    return m_nbLignes;
}

void CsvStatementExport::AjouterLigne(Groupe &AGroupe, const ExportLine &ALigne)
{
    ++AGroupe.nombre;
    if (montantEcrit(ALigne.debit))
        AGroupe.totalDebit += *ALigne.debit;
    if (montantEcrit(ALigne.credit))
        AGroupe.totalCredit += *ALigne.credit;
    if (ALigne.Date_ecriture.isValid()) {
        if (!AGroupe.dateMin.isValid() || ALigne.Date_ecriture < AGroupe.dateMin)
            AGroupe.dateMin = ALigne.Date_ecriture;
        if (!AGroupe.dateMax.isValid() || ALigne.Date_ecriture > AGroupe.dateMax)
            AGroupe.dateMax = ALigne.Date_ecriture;
    }
    if (AGroupe.compteId == 0 && ALigne.compte_id != 0)
        AGroupe.compteId = ALigne.compte_id;
    AGroupe.ids.push_back(ALigne.ecriture_id);
    if (ALigne.deja_exportee == 1)
        AGroupe.contientDejaExportees = true;

    const QChar sep = QLatin1Char(';');
    AGroupe.lignes.append(surUneLigne(
        FrenchFormat::displayDate(ALigne.Date_ecriture) + sep + ALigne.date_valeur + sep
        + ALigne.description + sep + champMontant(ALigne.debit) + sep
        + champMontant(ALigne.credit) + sep + ALigne.reference + sep + ALigne.account_id + sep
        + ALigne.iban + sep + ALigne.type_compte + sep + ALigne.updated_at));
}

void CsvStatementExport::FermerGroupe(const Groupe &AGroupe)
{
    if (AGroupe.nombre == 0)
        return;
    // The recorded type follows the lines written. A refused re-export stops the run
    // before the file exists, so no file is ever delivered without its record.
    const QString type = AGroupe.contientDejaExportees ? QStringLiteral("REEXPORT")
                                                       : QStringLiteral("EXPORT");
    if (type == QLatin1String("REEXPORT") && !m_reexportAutorise)
        throw ExportError(kReexportRefuse);

    const QString fichier = SaveCSVFichiers(AGroupe);
    FichierLivre livre(fichier);
    ValiderExportIBAN(AGroupe, type, fichier);
    livre.garder();

    ++m_nbFichiers;
    m_nbLignes += AGroupe.nombre;
    m_totalDebit += AGroupe.totalDebit;
    m_totalCredit += AGroupe.totalCredit;
    m_dm.idle();
}

QString CsvStatementExport::SaveCSVFichiers(const Groupe &AGroupe)
{
    const QString debut = m_prefixe.isEmpty() ? QStringLiteral("export_")
                                              : m_prefixe + QStringLiteral("_export_");
    const QString fichier = m_dossier + debut + ExportUtils::SafeFilePart(AGroupe.iban)
        + QLatin1Char('_') + dateNomFichier(AGroupe.dateMin) + QLatin1Char('_')
        + dateNomFichier(AGroupe.dateMax) + QStringLiteral("_du_")
        + m_dm.now().toString(QStringLiteral("dd-MM-yyyy_HHmmss")) + QStringLiteral(".csv");
    ExportUtils::SauverAnsi(AGroupe.lignes, fichier);

    logInfo(QStringLiteral("  ") + AGroupe.iban + QStringLiteral(" : ")
            + QString::number(AGroupe.nombre) + QStringLiteral(" écritures (Débit ")
            + FrenchFormat::amountComma(AGroupe.totalDebit) + QStringLiteral(" / Crédit ")
            + FrenchFormat::amountComma(AGroupe.totalCredit) + QLatin1Char(')'));
    logInfo(QStringLiteral("    Fichier : ") + fichier);
    return fichier;
}

void CsvStatementExport::ValiderExportIBAN(const Groupe &AGroupe, const QString &ATypeExport,
                                           const QString &AFichier)
{
    if (AGroupe.ids.empty())
        return;
    ExportRecord record;
    record.compte_id = AGroupe.compteId;
    record.date_export = m_dateRun;
    record.heure_export = m_heureRun;
    record.user_export = m_dm.user_courant_login;
    record.format_export = QStringLiteral("CSV");
    record.iban = AGroupe.iban;
    record.date_debut_export = FrenchFormat::sqlDate(AGroupe.dateMin);
    record.date_fin_export = FrenchFormat::sqlDate(AGroupe.dateMax);
    record.nb_ecritures_exportees = AGroupe.nombre;
    record.total_debit_exporte = AGroupe.totalDebit;
    record.total_credit_exporte = AGroupe.totalCredit;
    record.fichier_genere = AFichier;
    record.type_export = ATypeExport;

    // The record and the stamps of its lines are one unit: a failure leaves neither.
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    DbTransaction transaction(db);
    ExportMarking::enregistrerExport(db, record);
    ExportMarking::marquerEcritures(db, AGroupe.ids, record);
    transaction.commit();

    logInfo(QStringLiteral("Historique export : ") + AGroupe.iban + QStringLiteral(" / ")
            + ATypeExport + QStringLiteral(" / ") + QString::number(AGroupe.nombre)
            + QStringLiteral(" ligne(s) flaguée(s)"));
}

void CsvStatementExport::logInfo(const QString &AMessage)
{
    m_dm.LogOperation(QStringLiteral("INFO"), AMessage, QStringLiteral("INFO"),
                      QStringLiteral("DataModule"));
}
