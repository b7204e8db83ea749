#pragma once

class QFontMetrics;

// Documented column widths are those of the original 8-point Tahoma grid; with a
// larger desktop font they are widened in proportion so the same texts fit.
namespace EchelleColonnes {

double facteur(const QFontMetrics &AMetriques);
int largeur(int ALargeurDocumentee, const QFontMetrics &AMetriques);

} // namespace EchelleColonnes
