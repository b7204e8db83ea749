#include "sync/StatutDerniereSync.h"

#include "db/DataModule.h"
#include "db/SqlQuery.h"

#include <array>

namespace {

int nombreOuZero(const QString &text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? v : 0;
}

} // namespace

bool StatutDerniereSync::statutDisponible()
{
    return m_dm.connectionOpen()
        && m_dm.dossier_champsexists(QStringLiteral("T_IDENTIFICATION_SOCIETE"), QStringLiteral("derniere_sync_nb"));
}

void StatutDerniereSync::PersisterStatutDerniereSync(int ANbEcritures, const QDateTime &ADateSync)
{
    if (ANbEcritures <= 0 || !statutDisponible())
        return;
    SqlQuery(m_dm.UnConnection_dossier(),
             QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET derniere_sync_nb = :nb, derniere_sync_date = :dt"))
        .bind(QStringLiteral(":nb"), ANbEcritures)
        .bind(QStringLiteral(":dt"), ADateSync.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        .exec();
}

QDateTime StatutDerniereSync::lireDateSync(const QString &AText)
{
    const QString text = AText.trimmed();
    if (text.isEmpty())
        return {};
    static const std::array<QString, 3> formatsLocaux{QStringLiteral("dd/MM/yyyy HH:mm:ss"),
                                                      QStringLiteral("dd/MM/yyyy HH:mm"), QStringLiteral("dd/MM/yyyy")};
    for (const QString &format : formatsLocaux) {
        const QDateTime dt = QDateTime::fromString(text, format);
        if (dt.isValid())
            return dt;
    }
    if (text.size() < 19 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return {};
    bool okA = false;
    bool okM = false;
    bool okJ = false;
    const int annee = text.mid(0, 4).toInt(&okA);
    const int mois = text.mid(5, 2).toInt(&okM);
    const int jour = text.mid(8, 2).toInt(&okJ);
    const QDate date(annee, mois, jour);
    const QTime heure(nombreOuZero(text.mid(11, 2)), nombreOuZero(text.mid(14, 2)), nombreOuZero(text.mid(17, 2)));
    if (!okA || !okM || !okJ || !date.isValid() || !heure.isValid())
        return {};
    return QDateTime(date, heure);
}

void StatutDerniereSync::ChargerStatutDerniereSync(int &ANbEcritures, QDateTime &ADateSync)
{
    ANbEcritures = 0;
    ADateSync = QDateTime();
    if (!statutDisponible())
        return;
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT derniere_sync_nb, derniere_sync_date FROM T_IDENTIFICATION_SOCIETE LIMIT 1"));
    query.exec();
    if (!query.next())
        return;
    ANbEcritures = query.value(0).toInt();
    ADateSync = lireDateSync(query.text(1));
}

void StatutDerniereSync::ChargerDerniereSyncParCompte(std::vector<DerniereSyncCompte> *AMem)
{
    if (!AMem || !m_dm.connectionOpen() || !m_dm.dossier_TableExists(QStringLiteral("T_HISTORIQUE_IMPORTS")))
        return;
    AMem->clear();
    SqlQuery query(m_dm.UnConnection_dossier(), QStringLiteral(
        "SELECT h.import_id, h.iban, c.nom_banque, c.client_raison_sociale, h.date_import, h.heure_import, "
        "h.nb_ecritures_inserees, h.account_id FROM T_HISTORIQUE_IMPORTS h INNER JOIN (SELECT iban, "
        "MAX(import_id) AS max_id FROM T_HISTORIQUE_IMPORTS GROUP BY iban) derniers ON derniers.max_id = h.import_id "
        "LEFT JOIN T_COMPTES c ON c.iban = h.iban ORDER BY h.date_import DESC, h.heure_import DESC"));
    query.exec();
    while (query.next()) {
        DerniereSyncCompte row;
        row.import_id = query.value(0).toLongLong();
        row.iban = query.text(1);
        row.nom_banque = query.text(2);
        row.client_raison = query.text(3);
        if (!query.value(4).isNull())
            row.date_import = QDate::fromString(query.text(4).left(10), QStringLiteral("yyyy-MM-dd"));
        row.heure_import = query.text(5);
        row.nb_ecritures = query.value(6).toInt();
        row.account_id = query.text(7);
        AMem->push_back(std::move(row));
    }
}
