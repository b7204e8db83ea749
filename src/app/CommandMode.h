#pragma once

#include <QStringList>

// Unattended start: the data module, then the one command of the command line,
// on a QCoreApplication. Returns the process exit status.
namespace CommandMode {

int run(const QStringList &params);
// "--help" and "--version": print and set the status; no database is touched.
bool optionInformation(const QStringList &params, int &status);
QString usage();

} // namespace CommandMode
