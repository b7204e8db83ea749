#pragma once

#include <QSet>
#include <QString>

class DataModule;

// Remembers the pages one walk has requested, so an answer whose continuation path
// points back to one of them ends the walk instead of looping for ever.
class PageLoopGuard final
{
public:
    PageLoopGuard(DataModule &dm, QString operation, QString source);

    void noter(const QString &url) { m_demandes.insert(url); }
    bool dejaDemande(const QString &url) const { return m_demandes.contains(url); }
    // Logs the stop and returns its French text.
    QString signalerBoucle(const QString &path) const;

private:
    DataModule &m_dm;
    QString m_operation;
    QString m_source;
    QSet<QString> m_demandes;
};
