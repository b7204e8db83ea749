#pragma once

#include "db/SqlQuery.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// Rows of T_COMPTES and T_ECRITURES for the export and card tests, inserted the way
// the synchronisation stores them (INSERT OR IGNORE, so the card triggers act).
namespace EcrituresFixture {

struct Compte
{
    QString iban;
    QString type_compte = QStringLiteral("checking");
    QString nom_banque = QStringLiteral("Banque Test");
    QString client_raison_sociale;
    QString observation;
    QVariant solde_initial;
};

struct Ecriture
{
    qint64 compte_id = 1;
    QString id_bridge;
    QString iban;
    QString date_ecriture; // yyyy-MM-dd, empty for NULL
    double amount = 0.0;
    QString description;
    QString provider_description;
    QString value_date;
    QString account_id = QStringLiteral("1001");
    QString account_type = QStringLiteral("checking");
    QString bank_name = QStringLiteral("Banque Test");
    QString currency_code = QStringLiteral("EUR");
    QString updated_at = QStringLiteral("2024-02-01T08:00:00Z");
    // Export stamp of an earlier export; empty means never exported.
    QString date_export;
    QString heure_export;
    QString user_export;
    int nb_exports = 0;
};

// A transaction with the given key values and the defaults above; tests change the
// other fields afterwards.
inline Ecriture ecriture(const QString &idBridge, const QString &iban, const QString &date,
                         double amount, const QString &description = QStringLiteral("Achat"))
{
    Ecriture e;
    e.id_bridge = idBridge;
    e.iban = iban;
    e.date_ecriture = date;
    e.amount = amount;
    e.description = description;
    return e;
}

inline QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

inline qint64 insertCompte(const QSqlDatabase &db, const Compte &c)
{
    SqlQuery q(db, QStringLiteral("INSERT INTO T_COMPTES (iban, type_compte, nom_banque, "
                                  "client_raison_sociale, observation, solde_initial) "
                                  "VALUES (:iban, :type, :banque, :client, :obs, :solde)"));
    q.bind(QStringLiteral(":iban"), c.iban)
        .bind(QStringLiteral(":type"), c.type_compte)
        .bind(QStringLiteral(":banque"), c.nom_banque)
        .bind(QStringLiteral(":client"), c.client_raison_sociale)
        .bind(QStringLiteral(":obs"), c.observation)
        .bind(QStringLiteral(":solde"), c.solde_initial)
        .exec();
    return q.lastInsertId().toLongLong();
}

// Returns the new ecriture_id, 0 when the insert was skipped.
inline qint64 insertEcriture(const QSqlDatabase &db, const Ecriture &e)
{
    SqlQuery q(db, QStringLiteral(
        "INSERT OR IGNORE INTO T_ECRITURES (compte_id, import_id, id_bridge, account_id, iban, "
        "bank_name, account_type, date_ecriture, description, provider_description, amount, "
        "amount_txt, currency_code, value_date, updated_at, date_export, heure_export, user_export, "
        "nb_exports) VALUES (:compte, 1, :idb, :acc, :iban, :bank, :type, :date, :descr, :prov, "
        ":amount, :amount_txt, :cur, :vdate, :upd, :dexp, :hexp, :uexp, :nb)"));
    q.bind(QStringLiteral(":compte"), e.compte_id)
        .bind(QStringLiteral(":idb"), textOrNull(e.id_bridge))
        .bind(QStringLiteral(":acc"), e.account_id)
        .bind(QStringLiteral(":iban"), e.iban)
        .bind(QStringLiteral(":bank"), e.bank_name)
        .bind(QStringLiteral(":type"), e.account_type)
        .bind(QStringLiteral(":date"), textOrNull(e.date_ecriture))
        .bind(QStringLiteral(":descr"), e.description)
        .bind(QStringLiteral(":prov"), e.provider_description)
        .bind(QStringLiteral(":amount"), e.amount)
        .bind(QStringLiteral(":amount_txt"), QString::number(e.amount, 'f', 2))
        .bind(QStringLiteral(":cur"), e.currency_code)
        .bind(QStringLiteral(":vdate"), textOrNull(e.value_date))
        .bind(QStringLiteral(":upd"), e.updated_at)
        .bind(QStringLiteral(":dexp"), textOrNull(e.date_export))
        .bind(QStringLiteral(":hexp"), textOrNull(e.heure_export))
        .bind(QStringLiteral(":uexp"), textOrNull(e.user_export))
        .bind(QStringLiteral(":nb"), e.nb_exports)
        .exec();
    return q.numRowsAffected() > 0 ? q.lastInsertId().toLongLong() : 0;
}

// One column of one transaction row, for the checks.
inline QVariant champ(const QSqlDatabase &db, qint64 ecritureId, const QString &column)
{
    SqlQuery q(db, QStringLiteral("SELECT ") + column
                       + QStringLiteral(" FROM T_ECRITURES WHERE ecriture_id = :id"));
    q.bind(QStringLiteral(":id"), ecritureId).exec();
    return q.next() ? q.value(0) : QVariant();
}

inline int compter(const QSqlDatabase &db, const QString &sql)
{
    return SqlQuery::scalar(db, sql).toInt();
}

} // namespace EcrituresFixture
