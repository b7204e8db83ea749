#pragma once

#include "db/SqlQuery.h"
#include "mail/MailLogProc.h"
#include "support/SmtpRelay.h"
#include "support/TempHome.h"

#include <QStringList>

#include <memory>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// A data module on a manual clock, configured for the suite's STARTTLS relay, with
// an identified company, and a log callback that keeps every line it is given.
class MailFixture : public TempHomeTest
{
public:
    static void SetUpTestSuite() { s_relay = std::make_unique<SmtpRelay>(); }
    static void TearDownTestSuite() { s_relay.reset(); }

protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        ASSERT_TRUE(s_relay && s_relay->running()) << (s_relay ? s_relay->startError().toStdString() : "");
        s_relay->clear();
        relay().configure(config());
        clockOverride = &clock;
        dm();
        setCompany(QStringLiteral("Cabinet Bréhat"), QStringLiteral("compta@cabinet-brehat.fr"));
    }

    SmtpRelay &relay() { return *s_relay; }
    const QSqlDatabase &db() { return dm().UnConnection_dossier(); }

    void setCompany(const QString &name, const QString &email)
    {
        SqlQuery(db(), QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = :n, email = :e"))
            .bind(QStringLiteral(":n"), name)
            .bind(QStringLiteral(":e"), email)
            .exec();
    }

    MailLogProc logProc()
    {
        return [this](const QString &op, const QString &msg, const QString &res, const QString &src) {
            logs << op + QLatin1Char('|') + res + QLatin1Char('|') + msg + QLatin1Char('|') + src;
        };
    }

    ManualClock clock{QDateTime(QDate(2026, 3, 15), QTime(10, 0, 0))};
    QStringList logs;

private:
    static inline std::unique_ptr<SmtpRelay> s_relay;
};
