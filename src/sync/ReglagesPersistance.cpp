#include "sync/ReglagesPersistance.h"

#include "db/DbError.h"
#include "db/SqlQuery.h"

ReglagesPersistance::ReglagesPersistance(const QSqlDatabase &ADb) : m_db(ADb)
{
    m_tempStore = SqlQuery::scalar(m_db, QStringLiteral("PRAGMA temp_store")).toInt();
    m_cacheSize = SqlQuery::scalar(m_db, QStringLiteral("PRAGMA cache_size")).toInt();
    SqlQuery::run(m_db, QStringLiteral("PRAGMA temp_store = MEMORY"));
    SqlQuery::run(m_db, QStringLiteral("PRAGMA cache_size = -65536"));
}

ReglagesPersistance::~ReglagesPersistance()
{
    try {
        SqlQuery::run(m_db, QStringLiteral("PRAGMA temp_store = %1").arg(m_tempStore));
        SqlQuery::run(m_db, QStringLiteral("PRAGMA cache_size = %1").arg(m_cacheSize));
    } catch (const DbError &) {
        // The connection keeps the run's settings; nothing is lost.
    }
}
