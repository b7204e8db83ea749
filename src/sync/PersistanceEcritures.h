#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

class DataModule;
class EcritureUtf8;
class SqliteStatement;
struct EcritureHistorique;

// Writes the rows a run added to the retrieval history into the database, account
// by account inside one transaction: an import row per account id, an audit copy
// of every row, and the row itself unless its Bridge id is already stored.
class PersistanceEcritures final
{
public:
    // Date, time and user written on every row and import of one run.
    struct TamponImport
    {
        QByteArray date;  // "yyyy-MM-dd" of the retrieval time
        QByteArray heure; // "HH:mm:ss" of the retrieval time
        QByteArray user;
        QDateTime dateRecup;        // the run's retrieval time and its stored text,
        QByteArray dateRecupTexte;  // formatted once for all the run's rows
    };

    explicit PersistanceEcritures(DataModule &ADm) : m_dm(ADm) {}

    // On any error the transaction is rolled back, the run's rows leave the
    // in-memory history (so a retry stores them) and the error is raised again.
    void PersisterEcrituresEnBase();

    // Binds the 27 shared columns of the audit copy and the stored row, in their
    // statement order, from one history row and its texts already in UTF-8.
    static void RemplirParamsEcriture(SqliteStatement &AQuery, const EcritureHistorique &ARow,
                                      const EcritureUtf8 &ATextes, qint64 ACompteId, qint64 AImportId,
                                      const TamponImport &ATampon);

    // The column list both insert statements use, in binding order.
    static QString colonnesEcriture();

    // One account id's rows of the run, in history order.
    struct LotCompte
    {
        QString accountId;
        std::vector<const EcritureHistorique *> lignes;
    };

private:
    struct Instructions;

    int persisterSession();
    int persisterLot(Instructions &AInstructions, const LotCompte &ALot, qint64 ACompteId,
                     const TamponImport &ATampon);

    DataModule &m_dm;
};
