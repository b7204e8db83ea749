#include "SyncFixture.h"

#include "bridge/BridgeState.h"
#include "db/SqlQuery.h"
#include "sync/ImportEcritures.h"

void SyncFixture::SetUp()
{
    TempHomeTest::SetUp();
    clockOverride = &clock;
    dm().mode_persistance = QStringLiteral("INCREMENTAL");
}

void SyncFixture::addCompte(const QString &AId, const QString &AIban, const QString &AType, const QString &AItem,
                            bool AEnBase)
{
    CompteBridge c;
    c.ID = AId;
    c.ItemID = AItem;
    c.TypeCompte = AType;
    c.Nom = QStringLiteral("Compte ") + AId;
    c.Banque = AType == QLatin1String("card") ? QStringLiteral("Banque Test / CARTE") : QStringLiteral("Banque Test");
    c.IBAN = AIban;
    c.Obsolete = QStringLiteral("NON");
    c.Status = QStringLiteral("successful");
    dm().bridge().FDMemTableaccount.push_back(c);
    if (!AEnBase || AIban.isEmpty() || count(QStringLiteral("SELECT COUNT(*) FROM T_COMPTES WHERE iban = '") + AIban
                                             + QStringLiteral("'")) > 0)
        return;
    SqlQuery(dm().UnConnection_dossier(),
             QStringLiteral("INSERT INTO T_COMPTES (societe_id, iban, account_id_bridge, item_id_bridge, type_compte, "
                            "nom_banque) VALUES (1, :iban, :acc, :item, :type, :banque)"))
        .bind(QStringLiteral(":iban"), AIban)
        .bind(QStringLiteral(":acc"), AId)
        .bind(QStringLiteral(":item"), AItem)
        .bind(QStringLiteral(":type"), AType)
        .bind(QStringLiteral(":banque"), c.Banque)
        .exec();
}

TransactionBridge SyncFixture::tx(const QString &AId, const QString &AAccountId, const QDate &ADate, double AAmount,
                                  const QString &ADescription, const QString &AUpdatedAt)
{
    TransactionBridge t;
    t.id = AId;
    t.account_id = AAccountId;
    for (const CompteBridge &c : dm().bridge().FDMemTableaccount) {
        if (c.ID == AAccountId) {
            t.item_id = c.ItemID;
            t.iban = c.IBAN;
            t.bank_name = c.Banque;
            t.account_name = c.Nom;
            t.account_type = c.TypeCompte;
            break;
        }
    }
    t.date = ADate;
    if (ADate.isValid())
        t.date_iso = ADate.toString(QStringLiteral("yyyy-MM-dd"));
    t.description = ADescription;
    t.provider_description = QStringLiteral("CB ") + ADescription;
    t.amount = AAmount;
    t.amount_txt = QString::number(AAmount, 'f', 2);
    t.currency_code = QStringLiteral("EUR");
    t.operation_type = QStringLiteral("card");
    t.booking_date = t.date_iso;
    t.transaction_date = t.date_iso;
    t.value_date = t.date_iso;
    t.updated_at = AUpdatedAt;
    return t;
}

void SyncFixture::retrieve(const std::vector<TransactionBridge> &ARows)
{
    auto &table = dm().bridge().FDMemTable1;
    table.insert(table.end(), ARows.begin(), ARows.end());
}

void SyncFixture::importer(const std::vector<TransactionBridge> &ARows)
{
    clock.advanceSecs(60);
    dm().bridge().FDMemTable1.clear();
    retrieve(ARows);
    ImportEcritures(dm()).Traiter_FDMemTable1({}, {}, {});
}

QVariant SyncFixture::scalar(const QString &ASql)
{
    return SqlQuery::scalar(dm().UnConnection_dossier(), ASql);
}

void SyncFixture::exec(const QString &ASql)
{
    SqlQuery::run(dm().UnConnection_dossier(), ASql);
}

QStringList SyncFixture::logs(const QString &AContains)
{
    SqlQuery query(dm().UnConnection_dossier(),
                   QStringLiteral("SELECT message FROM T_LOG_OPERATIONS WHERE instr(message, :t) > 0 ORDER BY log_id"));
    query.bind(QStringLiteral(":t"), AContains).exec();
    QStringList out;
    while (query.next())
        out.append(query.text(0));
    return out;
}

QStringList SyncFixture::storedIds(const QString &AAccountId)
{
    SqlQuery query(dm().UnConnection_dossier(),
                   QStringLiteral("SELECT id_bridge FROM T_ECRITURES WHERE account_id = :a ORDER BY id_bridge"));
    query.bind(QStringLiteral(":a"), AAccountId).exec();
    QStringList out;
    while (query.next())
        out.append(query.text(0));
    return out;
}
