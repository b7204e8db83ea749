#include "db/SqlQuery.h"

#include "db/DbError.h"

#include <QSqlError>

namespace {

QString describe(const QSqlQuery &query, const QString &sql)
{
    const QSqlError error = query.lastError();
    QString text = error.text().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("erreur inconnue");
    return QStringLiteral("Erreur base de données : ") + text + QStringLiteral(" [")
        + sql.simplified().left(300) + QStringLiteral("]");
}

} // namespace

SqlQuery::SqlQuery(const QSqlDatabase &db, const QString &sql) : m_sql(sql), m_query(db)
{
    if (!db.isOpen())
        throw DbError(QStringLiteral("Erreur base de données : connexion fermée"));
    m_query.setForwardOnly(true);
    if (!m_query.prepare(sql))
        throw DbError(describe(m_query, sql));
}

SqlQuery &SqlQuery::bind(const QString &name, const QVariant &value)
{
    m_query.bindValue(name, value);
    return *this;
}

SqlQuery &SqlQuery::exec()
{
    if (!m_query.exec())
        throw DbError(describe(m_query, m_sql));
    return *this;
}

void SqlQuery::run(const QSqlDatabase &db, const QString &sql)
{
    SqlQuery query(db, sql);
    query.exec();
}

QVariant SqlQuery::scalar(const QSqlDatabase &db, const QString &sql)
{
    SqlQuery query(db, sql);
    query.exec();
    return query.next() ? query.value(0) : QVariant();
}
