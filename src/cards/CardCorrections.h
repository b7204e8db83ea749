#pragma once

#include "cards/CorrectionCarte.h"
#include "cards/ValeursEcritureCarte.h"

#include <QDate>
#include <QString>

#include <vector>

class DataModule;

// The user's corrections of card transactions, data side. The bank's values are kept
// in T_CORRECTIONS_CARTES so every correction can be undone, and the triggers of the
// schema re-apply them when a synchronisation inserts the transaction again. Every
// statement on T_ECRITURES is limited to card transactions.
class CardCorrections final
{
public:
    explicit CardCorrections(DataModule &dm);

    // Reads a card transaction, deleted ones included; false (outputs emptied) when
    // the id is not above 0 or no card transaction has it.
    bool LireEcriture(qint64 AEcritureId, QString &AIdBridge, QDate &ADateEcriture,
                      QString &ADateValeur, QString &ALibelleOriginal, QString &ALibelleQuelvo,
                      double &AMontant);
    // The trimmed Bridge id, or "LOCAL-" + the id when there is none.
    static QString CleCorrection(const QString &AIdBridge, qint64 AEcritureId);
    // Creates the correction row with the old and new values, or updates an existing
    // one keeping its old values. Runs inside the caller's transaction.
    void EnregistrerCorrection(const QString &AAction, qint64 AEcritureId,
                               const QString &AIdBridge, const QString &AAncienneDate,
                               const QString &ANouvelleDate, const QString &AAncienneValeur,
                               const QString &ANouvelleValeur, const QString &AAncienOriginal,
                               const QString &ANouvelOriginal, const QString &AAncienQuelvo,
                               const QString &ANouvelQuelvo, double AAncienMontant,
                               double ANouveauMontant);

    // The three user actions, each one transaction. A refusal (level, no line) returns
    // false / -1 with the French message; database errors throw DbError with
    // everything rolled back.
    bool ModifierEcriture(qint64 AEcritureId, const ValeursEcritureCarte &ANouvelles,
                          QString &AMessage);
    bool SupprimerEcriture(qint64 AEcritureId, QString &AMessage);
    // Returns the number of transaction rows updated (0 when the transaction is gone),
    // or -1; AMessage receives the text for the user in every case.
    int RestaurerCorrection(const QString &ACle, QString &AMessage);

    // For the review window: every correction, newest first, and one by key.
    std::vector<CorrectionCarte> ListerCorrections();
    bool LireCorrection(const QString &ACle, CorrectionCarte &ACorrection);

private:
    bool lireValeurs(qint64 AEcritureId, QString &AIdBridge, ValeursEcritureCarte &AValeurs);
    int remettreValeursBancaires(const QString &ACle, const CorrectionCarte &ACorrection);
    void appliquerValeurs(qint64 AEcritureId, const ValeursEcritureCarte &AValeurs);

    DataModule &m_dm;
};
