#pragma once

#include <QStringList>

// Unattended start: the data module, then the one command of the command line,
// on a QCoreApplication. Returns the process exit status.
namespace CommandMode {

int run(const QStringList &params);

} // namespace CommandMode
