#pragma once

#include <QStringList>

class DataModule;

// The unattended statement export: parameters, folder, account resolution, the
// lock shared with synchronisations, selection of the non-card lines, CSV or OFX
// files and their marking. No mail is sent for an export.
class LanceurExportCommande final
{
public:
    LanceurExportCommande(DataModule &dm, QStringList params);

    // Lines exported, 0 when nothing matched, -1 on any failure (logged).
    int LancerExportCommande();

private:
    bool resoudreIban(const QString &AIbanNormalise, QString &AIban);
    int exporter(const QString &AIban, const QString &ADebut, const QString &AFin, const QString &AFormat,
                 const QString &ARepertoire, const QString &ATypeExport);
    void log(const QString &AMessage, const QString &AResultat);

    DataModule &m_dm;
    QStringList m_params;
};
