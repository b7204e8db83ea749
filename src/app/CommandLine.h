#pragma once

#include <QString>
#include <QStringList>

// Reading of the command-line mode words. Parameters are compared trimmed and
// without regard to case; a mode word may carry a "/", "-" or "--" prefix.
// The list holds the parameters only (the program name excluded).
namespace CommandLine {

int PositionParametreCommande(const QStringList &AParams, const QString &AParam);
bool ModeSynchroCommandeDemande(const QStringList &AParams);
bool ModeExportCommandeDemande(const QStringList &AParams);
bool ModeCommandeSilencieuseDemandee(const QStringList &AParams);

} // namespace CommandLine
