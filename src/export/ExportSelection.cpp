#include "export/ExportSelection.h"

#include "bridge/BridgeProviders.h"
#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"
#include "export/ExportState.h"

#include <algorithm>

namespace {

bool nonVide(const QVariant &value)
{
    return !value.isNull() && !value.toString().trimmed().isEmpty();
}

// "yyyy-MM-dd" as stored by the synchronisation, read without the format parser: the
// selection reads it for every line. Anything else goes through the general parser.
QDate dateSql(const QString &text)
{
    if (text.size() == 10 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')) {
        int v[10] = {};
        bool chiffres = true;
        for (const qsizetype i : {0, 1, 2, 3, 5, 6, 8, 9}) {
            const char16_t c = text.at(i).unicode();
            chiffres = chiffres && c >= u'0' && c <= u'9';
            v[i] = c - u'0';
        }
        if (chiffres)
            return QDate(v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[5] * 10 + v[6], v[8] * 10 + v[9]);
    }
    return FrenchFormat::parseSqlDate(text);
}

QString sansPointVirgule(QString text)
{
    return text.remove(QLatin1Char(';'));
}

// Descending on iban, then entry date, then reference, as the grids show them.
bool avantDansAffichage(const ExportDisplayLine &a, const ExportDisplayLine &b)
{
    if (const int c = a.iban.compare(b.iban); c != 0)
        return c > 0;
    if (a.Date_ecriture != b.Date_ecriture)
        return a.Date_ecriture > b.Date_ecriture;
    return a.reference.compare(b.reference) > 0;
}

enum Colonne {
    ColEcritureId,
    ColCompteId,
    ColDateEcriture,
    ColValueDate,
    ColDescription,
    ColAmount,
    ColProviderDescription,
    ColIdBridge,
    ColAccountId,
    ColIban,
    ColAccountType,
    ColUpdatedAt,
    ColDateExport,
    ColHeureExport,
    ColUserExport
};

} // namespace

ExportSelection::ExportSelection(DataModule &dm) : m_dm(dm)
{
}

QDate ExportSelection::LireDateCourte(const QString &AText)
{
    if (!AText.contains(QLatin1Char('/')))
        return {};
    const QString text = AText.trimmed();
    const QDate strict = FrenchFormat::parseDisplayDate(text);
    if (strict.isValid())
        return strict;
    return QDate::fromString(text, QStringLiteral("d/M/yyyy"));
}

QString ExportSelection::DateValeurAffichee(const QString &AValueDate, const QDate &ADateEcriture)
{
    if (AValueDate.isEmpty())
        return FrenchFormat::displayDate(ADateEcriture);
    const QDate courte = LireDateCourte(AValueDate);
    if (courte.isValid())
        return FrenchFormat::displayDate(courte);
    if (AValueDate.size() >= 10) // read as yyyy-mm-dd..., whatever follows
        return AValueDate.mid(8, 2) + QLatin1Char('/') + AValueDate.mid(5, 2) + QLatin1Char('/')
            + AValueDate.left(4);
    return FrenchFormat::displayDate(ADateEcriture);
}

QString ExportSelection::ConstruireCondition(const QString &AIban, const QString &ADateMin,
                                             const QString &ADateMax, const QString &AUpdatedAtMin,
                                             bool AInclureDejaExportees,
                                             const QString &AFiltreType) const
{
    QString where = QStringLiteral("WHERE 1 = 1 ");
    where += QStringLiteral(" AND COALESCE(supprimee, 0) = 0 ");
    const QString filtre = AFiltreType.trimmed().toUpper();
    if (filtre == QLatin1String("NOCARD")) {
        where += QStringLiteral(" AND LOWER(COALESCE(account_type, '')) <> 'card' ");
        where += QStringLiteral(" AND UPPER(COALESCE(bank_name, '')) NOT LIKE '%/ CARTE%' ");
    } else if (filtre == QLatin1String("CARD")) {
        where += QStringLiteral(" AND (LOWER(COALESCE(account_type, '')) = 'card' ");
        where += QStringLiteral("   OR UPPER(COALESCE(bank_name, '')) LIKE '%/ CARTE%') ");
    }
    if (!AInclureDejaExportees) {
        for (const char *column : {"date_export", "heure_export", "user_export"}) {
            const QString c = QLatin1String(column);
            where += QStringLiteral(" AND (") + c + QStringLiteral(" IS NULL OR TRIM(COALESCE(") + c
                + QStringLiteral(", '')) = '') ");
        }
    }
    if (!AIban.isEmpty())
        where += QStringLiteral(" AND iban = :iban ");
    if (!ADateMin.isEmpty())
        where += QStringLiteral(" AND date_ecriture >= :dmin ");
    if (!ADateMax.isEmpty())
        where += QStringLiteral(" AND date_ecriture <= :dmax ");
    if (!AUpdatedAtMin.isEmpty())
        where += QStringLiteral(" AND updated_at >= :upd_min ");
    return where;
}

bool ExportSelection::LireBorne(const QString &ATexte, const QString &ANom, QString &ADateSql)
{
    ADateSql.clear();
    if (ATexte.isEmpty())
        return true;
    const QDate d = LireDateCourte(ATexte);
    if (!d.isValid()) {
        logInfo(QStringLiteral("ERREUR : date ") + ANom + QStringLiteral(" invalide [") + ATexte
                    + QLatin1Char(']'),
                QStringLiteral("ECHEC"));
        return false;
    }
    ADateSql = FrenchFormat::sqlDate(d);
    return true;
}

ExportLine ExportSelection::LireLigne(const SqlQuery &AQuery, bool ADejaExportee)
{
    ExportLine line;
    line.ecriture_id = AQuery.value(ColEcritureId).toLongLong();
    line.compte_id = AQuery.value(ColCompteId).toLongLong();
    line.id_bridge = AQuery.text(ColIdBridge);
    line.deja_exportee = ADejaExportee ? 1 : 0;
    line.Date_ecriture = dateSql(AQuery.text(ColDateEcriture));
    line.date_valeur = DateValeurAffichee(AQuery.text(ColValueDate), line.Date_ecriture);
    line.description = sansPointVirgule(AQuery.text(ColDescription));
    line.libelle_origine = sansPointVirgule(AQuery.text(ColProviderDescription));
    const double amount = AQuery.value(ColAmount).toDouble();
    if (amount < 0)
        line.debit = -amount;
    else if (amount > 0)
        line.credit = amount;
    line.reference = line.id_bridge;
    line.account_id = AQuery.text(ColAccountId);
    line.iban = AQuery.text(ColIban);
    line.type_compte = AQuery.text(ColAccountType);
    line.updated_at = AQuery.text(ColUpdatedAt);
    return line;
}

int ExportSelection::ChargerExportEnMemTable(const QString &AIban, const QString &ADateMinFR,
                                             const QString &ADateMaxFR,
                                             const QString &AUpdatedAtMin,
                                             bool AInclureDejaExportees,
                                             const QString &AFiltreType)
{
    std::vector<ExportLine> &table = m_dm.exports().FDMemTableExport;
    table.clear();

    const QString iban = AIban.trimmed();
    const QString dateMinFR = ADateMinFR.trimmed();
    const QString dateMaxFR = ADateMaxFR.trimmed();
    const QString updatedAtMin = AUpdatedAtMin.trimmed();
    QString dateMin;
    QString dateMax;
    if (!LireBorne(dateMinFR, QStringLiteral("min"), dateMin)
        || !LireBorne(dateMaxFR, QStringLiteral("max"), dateMax))
        return 0;

    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT ecriture_id, compte_id, date_ecriture, value_date, "
                                  "description, amount, provider_description, id_bridge, account_id, "
                                  "iban, account_type, updated_at, date_export, heure_export, "
                                  "user_export FROM T_ECRITURES ")
                       + ConstruireCondition(iban, dateMin, dateMax, updatedAtMin,
                                             AInclureDejaExportees, AFiltreType)
                       + QStringLiteral("ORDER BY iban, compte_id, date_ecriture, ecriture_id"));
    if (!iban.isEmpty())
        query.bind(QStringLiteral(":iban"), iban);
    if (!dateMin.isEmpty())
        query.bind(QStringLiteral(":dmin"), dateMin);
    if (!dateMax.isEmpty())
        query.bind(QStringLiteral(":dmax"), dateMax);
    if (!updatedAtMin.isEmpty())
        query.bind(QStringLiteral(":upd_min"), updatedAtMin);
    query.exec();

    while (query.next()) {
        const bool dejaExportee = nonVide(query.value(ColDateExport))
            || nonVide(query.value(ColHeureExport)) || nonVide(query.value(ColUserExport));
        if (dejaExportee && !AInclureDejaExportees)
            continue;
        table.push_back(LireLigne(query, dejaExportee));
        if (table.size() % 1000 == 0)
            m_dm.idle();
    }

    RemplirCopieAffichage();
    RemplirRecapComptesExport();
    const int count = static_cast<int>(table.size());
    LogChargement(iban, dateMinFR, dateMaxFR, updatedAtMin, AInclureDejaExportees, count);
    return count;
}

void ExportSelection::LogChargement(const QString &AIban, const QString &ADateMinFR,
                                    const QString &ADateMaxFR, const QString &AUpdatedAtMin,
                                    bool AInclureDejaExportees, int ACount)
{
    logInfo(QStringLiteral("--- Chargement mémoire ---"));
    logInfo(QStringLiteral("IBAN : ") + (AIban.isEmpty() ? QStringLiteral("(tous)") : AIban));
    logInfo(QStringLiteral("Date min : ")
            + (ADateMinFR.isEmpty() ? QStringLiteral("(aucune)") : ADateMinFR));
    logInfo(QStringLiteral("Date max : ")
            + (ADateMaxFR.isEmpty() ? QStringLiteral("(aucune)") : ADateMaxFR));
    if (!AUpdatedAtMin.isEmpty())
        logInfo(QStringLiteral("updated_at min : ") + AUpdatedAtMin);
    logInfo(AInclureDejaExportees
                ? QStringLiteral("Mode réexport niveau 9 : les écritures déjà exportées peuvent être incluses")
                : QStringLiteral("Mode export normal : seules les écritures non exportées sont chargées"));
    logInfo(QStringLiteral("Chargées : ") + QString::number(ACount) + QStringLiteral(" écritures"));
}

void ExportSelection::RemplirCopieAffichage()
{
    const std::vector<ExportLine> &table = m_dm.exports().FDMemTableExport;
    std::vector<ExportDisplayLine> &copie = m_dm.exports().KBMemTableExportFinal;
    copie.clear();
    copie.reserve(table.size());
    for (const ExportLine &line : table)
        copie.emplace_back(line);
    std::stable_sort(copie.begin(), copie.end(), avantDansAffichage);
}

ExportSelection::InfosCompte ExportSelection::ChargerInfosCompte(const QString &AIban)
{
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT nom_banque, type_compte, client_raison_sociale, observation, "
                                  "solde_initial FROM T_COMPTES WHERE iban = :iban "
                                  "ORDER BY compte_id LIMIT 1"));
    query.bind(QStringLiteral(":iban"), AIban).exec();
    InfosCompte infos;
    if (query.next()) {
        infos.nom_banque = BridgeProviders(m_dm).ResoudreNomBanque(query.text(0));
        infos.type_compte = query.text(1);
        infos.client_raison_sociale = query.text(2);
        infos.observation = query.text(3);
        infos.solde_initial = query.value(4).toDouble(); // null reads as 0
    }
    return infos;
}

void ExportSelection::EcrireLigneRecap(RecapCompteExport &ARecap, const InfosCompte &AInfos)
{
    if (ARecap.iban.isEmpty())
        return; // lines without IBAN get no recap row
    ARecap.type_compte = AInfos.type_compte;
    ARecap.nom_banque = AInfos.nom_banque;
    ARecap.client_raison_sociale = AInfos.client_raison_sociale;
    ARecap.observation = AInfos.observation;
    ARecap.Solde_reconstitue_a_date_maxi =
        AInfos.solde_initial + ARecap.TotalCredit - ARecap.TotalDebit;
    m_dm.exports().kMemetablerecapcomptesexport.push_back(ARecap);
}

void ExportSelection::RemplirRecapComptesExport()
{
    std::vector<RecapCompteExport> &recap = m_dm.exports().kMemetablerecapcomptesexport;
    recap.clear();
    const std::vector<ExportDisplayLine> &copie = m_dm.exports().KBMemTableExportFinal;

    RecapCompteExport courant;
    InfosCompte infos;
    bool ouvert = false;
    for (const ExportDisplayLine &line : copie) {
        if (!ouvert || line.iban != courant.iban) {
            if (ouvert)
                EcrireLigneRecap(courant, infos);
            courant = RecapCompteExport();
            courant.iban = line.iban;
            infos = line.iban.isEmpty() ? InfosCompte() : ChargerInfosCompte(line.iban);
            ouvert = true;
        }
        ++courant.Nbre_ecritures;
        if (line.Date_ecriture.isValid()) {
            if (!courant.Date_mini.isValid() || line.Date_ecriture < courant.Date_mini)
                courant.Date_mini = line.Date_ecriture;
            if (!courant.Date_maxi.isValid() || line.Date_ecriture > courant.Date_maxi)
                courant.Date_maxi = line.Date_ecriture;
        }
        if (line.debit)
            courant.TotalDebit += *line.debit;
        if (line.credit)
            courant.TotalCredit += *line.credit;
        if (line.updated_at.compare(courant.updated_at) > 0)
            courant.updated_at = line.updated_at;
    }
    if (ouvert)
        EcrireLigneRecap(courant, infos);

    logInfo(QStringLiteral("Récap export : ") + QString::number(recap.size())
            + QStringLiteral(" compte(s)"));
}

void ExportSelection::ChargerComptesEnListe(std::vector<CompteChoix> &AListe)
{
    AListe.clear();
    AListe.push_back({QStringLiteral("-- Tous les comptes --"), QString()});
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT iban, type_compte, nom_banque, client_raison_sociale "
                                  "FROM T_COMPTES ORDER BY nom_banque, iban"));
    query.exec();
    const BridgeProviders catalogue(m_dm);
    while (query.next()) {
        const QString iban = query.text(0);
        const QString titulaire = query.text(3);
        QString caption = iban + QStringLiteral("  [") + catalogue.ResoudreNomBanque(query.text(2));
        if (!titulaire.isEmpty())
            caption += QStringLiteral(" / ") + titulaire;
        caption += QStringLiteral("]  (") + query.text(1) + QLatin1Char(')');
        AListe.push_back({caption, iban});
    }
}

void ExportSelection::logInfo(const QString &AMessage, const QString &AResultat)
{
    m_dm.LogOperation(QStringLiteral("INFO"), AMessage, AResultat, QStringLiteral("DataModule"));
}
