#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file under a temporary name and renames it when complete, so a
// crash never leaves a half-written file under the final name.
namespace AtomicFile {

// False with a French message when the file cannot be written.
bool write(const QString &path, const QByteArray &content, QString &error);

} // namespace AtomicFile
