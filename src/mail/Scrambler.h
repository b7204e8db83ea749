#pragma once

#include <QString>

// Reversible scrambling of the secrets compiled into the program (a fixed XOR key
// and Base64). It only keeps them from reading as plain strings in the binary;
// it is not a cipher.
namespace Scrambler {

QString XorText(const QString &AText);
QString encrypt(const QString &AText);
QString Decrypt(const QString &AText);

} // namespace Scrambler
