#include "export/ui/EchelleColonnes.h"

#include <QFontMetrics>
#include <QString>

#include <algorithm>
#include <cmath>

namespace EchelleColonnes {

namespace {

// Width of a date in the original grid's font.
constexpr double kDateDocumentee = 54.0;

} // namespace

double facteur(const QFontMetrics &AMetriques)
{
    return std::max(1.0, AMetriques.horizontalAdvance(QStringLiteral("10/01/2024")) / kDateDocumentee);
}

int largeur(int ALargeurDocumentee, const QFontMetrics &AMetriques)
{
    return static_cast<int>(std::lround(ALargeurDocumentee * facteur(AMetriques)));
}

} // namespace EchelleColonnes
