#pragma once

#include "security/MorvaneUtilisateur.h"

#include <QDateTime>
#include <QLatin1String>
#include <QString>

class DataModule;

// Security core of the user store in T_USERS: password hashing and checking,
// login with a failed-attempt counter and a temporary lock, recovery codes and
// the protected initial administrator. Stateless: every operation works on the
// data module's connection and clock and keeps nothing between calls.
//
// Operations returning a bool set AErreur only when they return false.
// Authentifier, CreerCodeRecuperation, AppliquerCodeRecuperation,
// AdministrateurInitialRequis and EnsureSchema let database errors (DbError)
// propagate; DefinirMotDePasse and CreerAdministrateurInitial return them as text.
class MorvaneSecurityUsers final
{
public:
    MorvaneSecurityUsers() = delete;

    static constexpr QLatin1String MORVANE_HASH_PREFIX{"MORVANESHA256"};
    static constexpr int MORVANE_HASH_ITERATIONS = 30000;
    static constexpr int MORVANE_MAX_ECHECS_CONNEXION = 5;
    static constexpr int MORVANE_BLOCAGE_MINUTES = 10;
    static constexpr int MORVANE_CODE_MINUTES = 10;
    static constexpr int MORVANE_MAX_ESSAIS_CODE = 3;
    // Stored hashes with an iteration count outside this range never verify.
    static constexpr int MORVANE_HASH_ITERATIONS_MIN = 1000;
    static constexpr int MORVANE_HASH_ITERATIONS_MAX = 500000;

    // Security columns, initial-administrator mark and protecting triggers, on a
    // database of any age. Nothing when the connection is not open.
    static void EnsureSchema(DataModule &AConnection);

    static QString CreerHashMotDePasse(const QString &AMotDePasse);
    static bool VerifierHashMotDePasse(const QString &AMotDePasse, const QString &AHashStocke);
    static bool MotDePasseValide(const QString &AMotDePasse, QString &AErreur);

    static bool Authentifier(DataModule &AConnection, const QString &ALogin, const QString &AMotDePasse,
                             MorvaneUtilisateur &AUtilisateur, QString &AErreur);
    static bool DefinirMotDePasse(DataModule &AConnection, int AUserId, const QString &AMotDePasse,
                                  const QString &AUtilisateurAction, QString &AErreur);
    // ACode is the clear code the caller mails to AEmail; it is never stored.
    static bool CreerCodeRecuperation(DataModule &AConnection, const QString &ALogin, QString &AEmail,
                                      QString &ACode, QString &AErreur);
    static bool AppliquerCodeRecuperation(DataModule &AConnection, const QString &ALogin, const QString &ACode,
                                          const QString &ANouveauMotDePasse, QString &AErreur);
    static bool AdministrateurInitialRequis(DataModule &AConnection);
    static bool CreerAdministrateurInitial(DataModule &AConnection, const QString &ALogin, const QString &ANom,
                                           const QString &AEmail, const QString &AMotDePasse, QString &AErreur);

    static QString MasquerEmail(const QString &AEmail);
    // Writes one security event into T_LOG_OPERATIONS; never fails its caller.
    static void JournaliserAction(DataModule &AConnection, const QString &AUtilisateur, const QString &AOperation,
                                  const QString &AMessage, const QString &AResultat) noexcept;

    // Building blocks, public so they can be checked on their own.
    static bool ComparaisonConstante(const QString &A, const QString &B);
    static QString HashInterne(const QString &AMotDePasse, const QString &ASel, int AIterations);
    static QString NouveauSel();
    static QString NouveauCode(const QDateTime &AMaintenant);
    static QString HashCodeRecuperation(const QString &ALogin, const QString &ANonce, const QString &ACode);

private:
    static void Journaliser(DataModule &AConnection, const QString &AUtilisateur, const QString &AOperation,
                            const QString &AMessage, const QString &AResultat) noexcept;
};
