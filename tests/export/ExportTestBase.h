#pragma once

#include "db/DataModule.h"
#include "db/SqlQuery.h"
#include "export/EcrituresFixture.h"
#include "support/TempHome.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

inline void PrintTo(const QDate &d, std::ostream *os)
{
    *os << (d.isValid() ? d.toString(Qt::ISODate).toStdString() : std::string("(null)"));
}

// Fixture of the export tests: a data module on a manual clock (5 February 2024,
// 10:15:02) with a level-9 user logged in, and an output folder.
class ExportTestBase : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        clockOverride = &clock;
        dm().user_courant_login = QStringLiteral("COMPTABLE");
        dm().user_courant_niveau = 9;
    }

    QSqlDatabase db() { return dm().UnConnection_dossier(); }
    QString outDir() { return home() + QStringLiteral("sortie/"); }

    QStringList filesIn(const QString &folder, const QString &pattern)
    {
        return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
    }

    // Messages logged with this operation, oldest first.
    QStringList logged(const QString &operation)
    {
        SqlQuery q(db(), QStringLiteral("SELECT message FROM T_LOG_OPERATIONS WHERE operation = :op "
                                        "ORDER BY log_id"));
        q.bind(QStringLiteral(":op"), operation).exec();
        QStringList messages;
        while (q.next())
            messages << q.text(0);
        return messages;
    }

    qint64 addEcriture(const EcrituresFixture::Ecriture &e)
    {
        return EcrituresFixture::insertEcriture(db(), e);
    }

    int count(const QString &sql) { return EcrituresFixture::compter(db(), sql); }

    ManualClock clock{QDateTime(QDate(2024, 2, 5), QTime(10, 15, 2))};
};
