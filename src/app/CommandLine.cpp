#include "app/CommandLine.h"

namespace CommandLine {

int PositionParametreCommande(const QStringList &AParams, const QString &AParam)
{
    const QString word = AParam.trimmed();
    for (qsizetype i = 0; i < AParams.size(); ++i) {
        const QString p = AParams.at(i).trimmed();
        for (const QString &prefix : {QString(), QStringLiteral("/"), QStringLiteral("-"), QStringLiteral("--")}) {
            if (p.compare(prefix + word, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

bool ModeSynchroCommandeDemande(const QStringList &AParams)
{
    return PositionParametreCommande(AParams, QStringLiteral("synchro")) > 0;
}

bool ModeExportCommandeDemande(const QStringList &AParams)
{
    return PositionParametreCommande(AParams, QStringLiteral("export")) > 0;
}

bool ModeCommandeSilencieuseDemandee(const QStringList &AParams)
{
    return ModeSynchroCommandeDemande(AParams) || ModeExportCommandeDemande(AParams);
}

} // namespace CommandLine
