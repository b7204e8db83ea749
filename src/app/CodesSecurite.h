#pragma once

#include <QString>

namespace CodesSecurite {

// True when both codes have the same length and the same characters; every
// character is visited whatever the differences, so the time taken says nothing
// about where the first difference lies.
bool CodesSecuriteIdentiques(const QString &A, const QString &B);

} // namespace CodesSecurite
