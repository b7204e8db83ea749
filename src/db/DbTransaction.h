#pragma once

#include <QSqlDatabase>

// Scoped database transaction: rolled back unless commit() was reached, so an
// exception thrown half-way leaves nothing of the work behind.
class DbTransaction final
{
public:
    explicit DbTransaction(const QSqlDatabase &db);
    ~DbTransaction();
    DbTransaction(const DbTransaction &) = delete;
    DbTransaction &operator=(const DbTransaction &) = delete;

    void commit();

private:
    QSqlDatabase m_db;
    bool m_open = false;
};
