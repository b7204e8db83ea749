#pragma once

#include "bridge/TransactionBridge.h"
#include "support/TempHome.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// Temporary home with a data module on a manual clock, the run in incremental
// mode, and helpers to build retrieved accounts and transactions by hand.
class SyncFixture : public TempHomeTest
{
protected:
    void SetUp() override;

    // Adds an account to the last listing and, when it has an IBAN, its T_COMPTES row.
    void addCompte(const QString &AId, const QString &AIban, const QString &AType = QStringLiteral("checking"),
                   const QString &AItem = QStringLiteral("item-1"), bool AEnBase = true);
    // A retrieved transaction completed from the listed account, as the Bridge client builds it.
    TransactionBridge tx(const QString &AId, const QString &AAccountId, const QDate &ADate, double AAmount,
                         const QString &ADescription = QStringLiteral("PAIEMENT"),
                         const QString &AUpdatedAt = QStringLiteral("2026-03-01T10:00:00.000Z"));
    // Appends transactions to the run's retrieved table.
    void retrieve(const std::vector<TransactionBridge> &ARows);
    // Clears the run's table, appends the rows and imports them, one minute after the last run.
    void importer(const std::vector<TransactionBridge> &ARows);

    QVariant scalar(const QString &ASql);
    int count(const QString &ASql) { return scalar(ASql).toInt(); }
    void exec(const QString &ASql);
    // Messages of the operation log containing the text, oldest first.
    QStringList logs(const QString &AContains);
    // Stored bridge ids of T_ECRITURES for the account, sorted.
    QStringList storedIds(const QString &AAccountId);

    ManualClock clock;
};
