#include "bridge/PageLoopGuard.h"

#include "db/DataModule.h"

PageLoopGuard::PageLoopGuard(DataModule &dm, QString operation, QString source)
    : m_dm(dm), m_operation(std::move(operation)), m_source(std::move(source))
{
}

QString PageLoopGuard::signalerBoucle(const QString &path) const
{
    const QString message = QStringLiteral("Pagination Bridge interrompue : la page suivante ") + path
        + QStringLiteral(" a déjà été demandée (boucle), les lignes déjà lues sont conservées");
    m_dm.LogOperation(m_operation, message, QStringLiteral("ECHEC"), m_source);
    return message;
}
