#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A statement prepared once on the SQLite handle of a Qt connection, bound by
// position. Used only where one statement runs for every stored row; it throws
// DbError on any failure like SqlQuery does.
class SqliteStatement final
{
public:
    SqliteStatement(const QSqlDatabase &ADb, const QString &ASql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // The text is read when step() runs: it must stay alive and unchanged until then.
    void bindText(int AIndex, const QString &AText);
    // The bytes (UTF-8) are copied.
    void bindUtf8(int AIndex, const char *AText, int ALength);
    // The bytes (UTF-8) are read when step() runs: they must stay alive until then.
    void bindUtf8Static(int AIndex, std::string_view AText);
    void bindNull(int AIndex);
    void bindInt64(int AIndex, qint64 AValue);
    void bindDouble(int AIndex, double AValue);

    // Runs the statement and makes it ready for the next row; returns the number
    // of rows it changed itself (not counting trigger work).
    int step();

private:
    [[noreturn]] void echec(int ACode);
    QString message(int ACode) const;
    [[noreturn]] void lancer(const QString &AText) const;
    void verifier(int ACode);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_sql;
};
