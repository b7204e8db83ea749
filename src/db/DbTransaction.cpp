#include "db/DbTransaction.h"

#include "db/DbError.h"

#include <QSqlError>

DbTransaction::DbTransaction(const QSqlDatabase &db) : m_db(db)
{
    if (!m_db.transaction())
        throw DbError(QStringLiteral("Erreur base de données : impossible d'ouvrir une transaction : ")
                      + m_db.lastError().text());
    m_open = true;
}

DbTransaction::~DbTransaction()
{
    if (m_open)
        m_db.rollback();
}

void DbTransaction::commit()
{
    if (!m_db.commit()) {
        const QString text = m_db.lastError().text();
        m_db.rollback();
        m_open = false;
        throw DbError(QStringLiteral("Erreur base de données : validation impossible : ") + text);
    }
    m_open = false;
}
