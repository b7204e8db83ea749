#pragma once

#include <QString>

// One Bridge user of the application (FDMemTableusers).
struct UtilisateurBridge
{
    QString uuid;
    QString external_user_id;
    QString generated_at; // kept for the layout, never filled
};
