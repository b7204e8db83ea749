#pragma once

#include <QString>

class DataModule;

// The application's Bridge users: creation of a user and the list of users. These
// requests carry the application's credentials only, never a user's token.
class BridgeUsers final
{
public:
    explicit BridgeUsers(DataModule &dm);

    // Creates the user whose external id is the trimmed, upper-cased AUserBridgeId.
    // False with a French text in AErreur; never raises.
    bool CreerUtilisateurBridgeSiAbsent(const QString &AUserBridgeId, QString &AErreur);
    // Creates the user and tells the result through the user-dialog interface.
    void creation_utilisateur(const QString &xuser);
    // Fills the in-memory user list with the first page of users.
    void liste_utilisateurs();

    static QString identifiant(const QString &AUserBridgeId) { return AUserBridgeId.trimmed().toUpper(); }

private:
    DataModule &m_dm;
};
