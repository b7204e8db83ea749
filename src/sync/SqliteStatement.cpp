#include "sync/SqliteStatement.h"

#include "db/DbError.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace {

sqlite3 *handleDe(const QSqlDatabase &db)
{
    if (!db.isOpen())
        throw DbError(QStringLiteral("Erreur base de données : connexion fermée"));
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw DbError(QStringLiteral("Erreur base de données : connexion SQLite introuvable"));
    sqlite3 *h = *static_cast<sqlite3 *const *>(handle.constData());
    if (!h)
        throw DbError(QStringLiteral("Erreur base de données : connexion SQLite introuvable"));
    return h;
}

} // namespace

SqliteStatement::SqliteStatement(const QSqlDatabase &ADb, const QString &ASql)
    : m_db(handleDe(ADb)), m_sql(ASql)
{
    const QByteArray sql = ASql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, sql.constData(), static_cast<int>(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        echec(rc);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::bindText(int AIndex, const QString &AText)
{
    static const char16_t vide = u'\0';
    const void *data = AText.isEmpty() ? static_cast<const void *>(&vide)
                                       : static_cast<const void *>(AText.constData());
    verifier(sqlite3_bind_text16(m_stmt, AIndex, data, static_cast<int>(AText.size() * 2), SQLITE_STATIC));
}

void SqliteStatement::bindUtf8(int AIndex, const char *AText, int ALength)
{
    verifier(sqlite3_bind_text(m_stmt, AIndex, AText, ALength, SQLITE_TRANSIENT));
}

void SqliteStatement::bindUtf8Static(int AIndex, std::string_view AText)
{
    static const char vide = '\0';
    const char *data = AText.empty() ? &vide : AText.data();
    verifier(sqlite3_bind_text(m_stmt, AIndex, data, static_cast<int>(AText.size()), SQLITE_STATIC));
}

void SqliteStatement::bindNull(int AIndex)
{
    verifier(sqlite3_bind_null(m_stmt, AIndex));
}

void SqliteStatement::bindInt64(int AIndex, qint64 AValue)
{
    verifier(sqlite3_bind_int64(m_stmt, AIndex, AValue));
}

void SqliteStatement::bindDouble(int AIndex, double AValue)
{
    verifier(sqlite3_bind_double(m_stmt, AIndex, AValue));
}

int SqliteStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        const QString text = message(rc);
        sqlite3_reset(m_stmt);
        lancer(text);
    }
    const int changes = sqlite3_changes(m_db);
    sqlite3_reset(m_stmt);
    return changes;
}

void SqliteStatement::verifier(int ACode)
{
    if (ACode != SQLITE_OK)
        echec(ACode);
}

void SqliteStatement::echec(int ACode)
{
    lancer(message(ACode));
}

QString SqliteStatement::message(int ACode) const
{
    const QString text = QString::fromUtf8(sqlite3_errmsg(m_db)).trimmed();
    return text.isEmpty() ? QString::fromUtf8(sqlite3_errstr(ACode)) : text;
}

void SqliteStatement::lancer(const QString &AText) const
{
    throw DbError(QStringLiteral("Erreur base de données : ") + AText + QStringLiteral(" [")
                  + m_sql.simplified().left(300) + QStringLiteral("]"));
}
