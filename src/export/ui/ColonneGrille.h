#pragma once

#include <QString>

// One grid column as the windows describe it: the field shown, its caption (the
// field name when empty), its width and whether it is shown.
struct ColonneGrille
{
    QString champ;
    QString legende;
    int largeur = 0;
    bool visible = true;

    QString titre() const { return legende.isEmpty() ? champ : legende; }
};
