#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// A prepared statement on a connection that binds named parameters and throws
// DbError on any failure, so callers never forget to check a result.
class SqlQuery final
{
public:
    SqlQuery(const QSqlDatabase &db, const QString &sql);

    SqlQuery &bind(const QString &name, const QVariant &value);
    // Executes the prepared statement; bound values stay for a re-execution.
    SqlQuery &exec();

    bool next() { return m_query.next(); }
    QVariant value(int index) const { return m_query.value(index); }
    QVariant value(const QString &column) const { return m_query.value(column); }
    QString text(int index) const { return m_query.value(index).toString(); }
    QString text(const QString &column) const { return m_query.value(column).toString(); }
    int numRowsAffected() const { return m_query.numRowsAffected(); }
    QVariant lastInsertId() const { return m_query.lastInsertId(); }
    QSqlQuery &raw() { return m_query; }

    // One-shot helpers for statements without parameters.
    static void run(const QSqlDatabase &db, const QString &sql);
    // First column of the first row, or an invalid QVariant when there is no row.
    static QVariant scalar(const QSqlDatabase &db, const QString &sql);

private:
    QString m_sql;
    QSqlQuery m_query;
};
