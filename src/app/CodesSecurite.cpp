#include "app/CodesSecurite.h"

#include <algorithm>

namespace CodesSecurite {

bool CodesSecuriteIdentiques(const QString &A, const QString &B)
{
    unsigned difference = A.size() == B.size() ? 0u : 1u;
    const qsizetype n = std::max(A.size(), B.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t a = i < A.size() ? A.at(i).unicode() : 0;
        const char16_t b = i < B.size() ? B.at(i).unicode() : 0;
        difference |= static_cast<unsigned>(a ^ b);
    }
    return difference == 0;
}

} // namespace CodesSecurite
