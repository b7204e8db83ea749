#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Windows-1252 text, the "ANSI" form that accounting software reads. A character
// the code page cannot hold becomes '?'.
namespace AnsiText {

QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// Each line followed by CR LF, the whole encoded in Windows-1252.
QByteArray encodeLines(const QStringList &lines);

} // namespace AnsiText
