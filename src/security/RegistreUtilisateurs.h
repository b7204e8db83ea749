#pragma once

#include "security/FicheUtilisateur.h"
#include "security/LigneUtilisateur.h"

#include <QString>

#include <vector>

class DataModule;

// Rules of the users window: access levels and their rights texts, and the save
// and delete decisions, so the window only shows fields and messages. The
// administration protects itself: the logged-in administrator cannot lower or
// deactivate himself, the last active administrator stays, administrators and
// the initial administrator are never deleted.
class RegistreUtilisateurs final
{
public:
    RegistreUtilisateurs() = delete;

    // Field the window should focus after a refused save.
    enum class Champ { Aucun, Login, MotDePasse, Email, Niveau, Actif };

    static constexpr int NIVEAU_MIN = 6;
    static constexpr int NIVEAU_MAX = 9;

    static QString LibelleNiveau(int ANiveau);
    static QString DroitsPourNiveau(int ANiveau);
    // Combo entry, "6 - Consultation".
    static QString EntreeNiveau(int ANiveau);

    // The window opens only on a connected database for a level-9 session.
    static bool PeutOuvrir(DataModule &AConnection, int ACurrentNiveau, QString &AMessage);
    static void EnsureTable(DataModule &AConnection);

    static std::vector<LigneUtilisateur> ChargerListe(DataModule &AConnection);
    // False when the user no longer exists; the password field is always empty.
    static bool ChargerFiche(DataModule &AConnection, int AUserId, FicheUtilisateur &AFiche);
    // The level and the active box are locked on the logged-in administrator's own row.
    static bool NiveauEtActifModifiables(const FicheUtilisateur &AFiche, const QString &ACurrentLogin);
    static bool SuppressionPossible(const FicheUtilisateur &AFiche, const QString &ACurrentLogin);

    static int CompterAdminsActifs(DataModule &AConnection, int AUserId);
    static bool EstAdministrateur(DataModule &AConnection, int AUserId);
    static bool EstAdministrateurInitial(DataModule &AConnection, int AUserId);

    // Validates and writes the form. True with "Utilisateur enregistre."; false with
    // the message to show and the field to focus.
    static bool Enregistrer(DataModule &AConnection, const FicheUtilisateur &AFiche, const QString &ACurrentLogin,
                            QString &AMessage, Champ &AChamp);
    // Asks for confirmation through the data module's dialogs. False with an empty
    // message when the user declined.
    static bool Supprimer(DataModule &AConnection, const FicheUtilisateur &AFiche, const QString &ACurrentLogin,
                          QString &AMessage);
};
