#pragma once

#include "db/SqlQuery.h"
#include "security/MorvaneSecurityUsers.h"
#include "support/TempHome.h"

#include <QStringList>
#include <QVariant>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// A data module on a manual clock with the security columns in place, and small
// helpers to plant users and read back what the store wrote.
class SecurityFixture : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        clockOverride = &clock;
        MorvaneSecurityUsers::EnsureSchema(dm());
    }

    const QSqlDatabase &db() { return dm().UnConnection_dossier(); }

    int addUser(const QString &login, const QString &password, int niveau = 6,
                const QString &email = QStringLiteral("user@exemple.fr"), bool actif = true)
    {
        SqlQuery query(db(), QStringLiteral("INSERT INTO T_USERS (user_login, user_nom, user_email, niveau_acces, "
                                            "user_droits, user_actif, password_hash) VALUES (:l, :n, :e, :niv, "
                                            "'CONSULT', :a, :ph)"));
        query.bind(QStringLiteral(":l"), login)
            .bind(QStringLiteral(":n"), QString(QStringLiteral("Nom ") + login))
            .bind(QStringLiteral(":e"), email)
            .bind(QStringLiteral(":niv"), niveau)
            .bind(QStringLiteral(":a"), actif ? 1 : 0)
            .bind(QStringLiteral(":ph"),
                  password.isEmpty() ? QString() : MorvaneSecurityUsers::CreerHashMotDePasse(password))
            .exec();
        return query.lastInsertId().toInt();
    }

    QVariant column(int userId, const QString &name)
    {
        SqlQuery query(db(), QStringLiteral("SELECT ") + name + QStringLiteral(" FROM T_USERS WHERE user_id = :id"));
        query.bind(QStringLiteral(":id"), userId).exec();
        return query.next() ? query.value(0) : QVariant();
    }

    int userId(const QString &exactLogin)
    {
        SqlQuery query(db(), QStringLiteral("SELECT user_id FROM T_USERS WHERE user_login = :l"));
        query.bind(QStringLiteral(":l"), exactLogin).exec();
        return query.next() ? query.value(0).toInt() : 0;
    }

    // Every log row as "operation|resultat|user_login|message|source", oldest first.
    QStringList logLines()
    {
        QStringList lines;
        SqlQuery query(db(), QStringLiteral("SELECT operation, resultat, user_login, message, source "
                                            "FROM T_LOG_OPERATIONS ORDER BY log_id"));
        query.exec();
        while (query.next()) {
            lines << query.text(0) + QLatin1Char('|') + query.text(1) + QLatin1Char('|') + query.text(2)
                    + QLatin1Char('|') + query.text(3) + QLatin1Char('|') + query.text(4);
        }
        return lines;
    }

    ManualClock clock;
};
