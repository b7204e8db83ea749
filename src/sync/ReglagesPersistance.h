#pragma once

#include <QSqlDatabase>

// Connection settings for one run's writes, restored when it goes. Every insert into
// the transaction table runs triggers, so SQLite keeps a statement journal for each:
// in a temporary file that is one system call per first-touched page, more than the
// insert itself. A 64 MB page cache keeps a run's index pages in memory instead of
// writing and reading them again and again before the commit.
class ReglagesPersistance final
{
public:
    explicit ReglagesPersistance(const QSqlDatabase &ADb);
    ~ReglagesPersistance();
    ReglagesPersistance(const ReglagesPersistance &) = delete;
    ReglagesPersistance &operator=(const ReglagesPersistance &) = delete;

private:
    QSqlDatabase m_db;
    int m_tempStore = 0;
    int m_cacheSize = 0;
};
