#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// SQL text of the central schema: tables in creation order with their indexes,
// column migrations, and the two triggers protecting card corrections.
namespace SchemaSql {

struct TableDef
{
    QString name;
    QString create;
    QStringList indexes;
    bool seed = false; // T_USERS and T_IDENTIFICATION_SOCIETE get a first row
};

struct Migration
{
    QString table;
    QString column;
    QString definition; // "name TYPE [DEFAULT ...]"
};

const std::vector<TableDef> &centralTables();
const std::vector<Migration> &columnMigrations();

QString createSmtpTable();
QString createProprietairesTable();
QString createProprietairesIndex();
QString createEnvoisLiensTable();
QString createEnvoisLiensIndex();
QString createCorrectionsCartesTable();
QString createTriggerBloquerSuppression();
QString createTriggerAppliquerModification();
// Indexes for the synchronisation engine's own lookups, ensured at every start.
QStringList engineIndexes();

} // namespace SchemaSql
