#include "app/LanceurExportCommande.h"

#include "app/CommandeExport.h"
#include "app/ErreurTexte.h"
#include "app/GlobalLock.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"
#include "export/CsvStatementExport.h"
#include "export/ExportError.h"
#include "export/ExportSelection.h"
#include "export/ExportState.h"
#include "export/OfxStatementExport.h"

#include <QDir>

#include <exception>

LanceurExportCommande::LanceurExportCommande(DataModule &dm, QStringList params)
    : m_dm(dm), m_params(std::move(params))
{
}

void LanceurExportCommande::log(const QString &AMessage, const QString &AResultat)
{
    m_dm.LogOperation(QStringLiteral("EXPORT_COMMANDE"), AMessage, AResultat, QStringLiteral("Form2"));
}

int LanceurExportCommande::LancerExportCommande()
{
    ParametresExportCommande p;
    QString erreur;
    if (!CommandeExport::LireParametresExportCommande(m_params, p, erreur)) {
        log(erreur, QStringLiteral("ECHEC"));
        return -1;
    }
    QString repertoire = QDir::fromNativeSeparators(p.repertoire);
    if (!repertoire.endsWith(QLatin1Char('/')))
        repertoire += QLatin1Char('/');
    if (!QDir().mkpath(repertoire)) {
        log(QStringLiteral("Repertoire inaccessible : ") + repertoire, QStringLiteral("ECHEC"));
        return -1;
    }
    QString iban;
    try {
        if (!p.iban.isEmpty() && !resoudreIban(p.iban, iban))
            return -1;
    } catch (const std::exception &e) {
        log(QStringLiteral("Erreur export silencieux : ") + ErreurTexte(e), QStringLiteral("ECHEC"));
        return -1;
    }

    GlobalLock lock(GlobalLock::cheminPour(m_dm.chemin_data));
    switch (lock.tenter(QStringLiteral("export"))) {
    case GlobalLock::Resultat::CreationImpossible:
        log(QStringLiteral("Impossible de creer le verrou global : ") + lock.erreur(), QStringLiteral("ECHEC"));
        return -1;
    case GlobalLock::Resultat::Occupe:
        log(QStringLiteral("Export refuse : une synchronisation ou un export est deja en cours"), QStringLiteral("ECHEC"));
        return -1;
    case GlobalLock::Resultat::AttenteImpossible:
        log(QStringLiteral("Erreur pendant l'attente du verrou global : ") + lock.erreur(), QStringLiteral("ECHEC"));
        return -1;
    case GlobalLock::Resultat::Acquis:
    case GlobalLock::Resultat::AcquisApresAbandon:
        break;
    }
    // The lock is released by its destructor on every path.
    try {
        return exporter(iban, p.dateDebutFR, p.dateFinFR, p.format, repertoire, p.typeExport);
    } catch (const std::exception &e) {
        log(QStringLiteral("Erreur export silencieux : ") + ErreurTexte(e), QStringLiteral("ECHEC"));
        return -1;
    }
}

bool LanceurExportCommande::resoudreIban(const QString &AIbanNormalise, QString &AIban)
{
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    SqlQuery exact(db, QStringLiteral("SELECT DISTINCT iban FROM T_COMPTES WHERE "
                                      "UPPER(REPLACE(REPLACE(TRIM(iban), ' ', ''), '-', '')) = :iban"));
    exact.bind(QStringLiteral(":iban"), AIbanNormalise).exec();
    if (exact.next()) {
        AIban = exact.text(0).trimmed();
        return true;
    }
    SqlQuery fragment(db, QStringLiteral(
                              "SELECT DISTINCT iban FROM T_COMPTES WHERE "
                              "UPPER(REPLACE(REPLACE(TRIM(iban), ' ', ''), '-', '')) LIKE :fragment "
                              "AND LOWER(COALESCE(type_compte, '')) <> 'card' "
                              "AND UPPER(COALESCE(nom_banque, '')) NOT LIKE '%/ CARTE%' ORDER BY iban"));
    fragment.bind(QStringLiteral(":fragment"), QString(QStringLiteral("%") + AIbanNormalise + QStringLiteral("%"))).exec();
    QStringList trouves;
    while (fragment.next())
        trouves << fragment.text(0).trimmed();
    if (trouves.isEmpty()) {
        log(QStringLiteral("IBAN ou numero de compte inconnu : ") + AIbanNormalise, QStringLiteral("ECHEC"));
        return false;
    }
    if (trouves.size() > 1) {
        log(QStringLiteral("Numero de compte ambigu : ") + AIbanNormalise + QStringLiteral(" correspond a ")
                + QString::number(trouves.size()) + QStringLiteral(" IBAN"),
            QStringLiteral("ECHEC"));
        return false;
    }
    AIban = trouves.first();
    log(QStringLiteral("Numero de compte ") + AIbanNormalise + QStringLiteral(" resolu en IBAN ") + AIban,
        QStringLiteral("INFO"));
    return true;
}

int LanceurExportCommande::exporter(const QString &AIban, const QString &ADebut, const QString &AFin,
                                    const QString &AFormat, const QString &ARepertoire, const QString &ATypeExport)
{
    const QString toutes = QStringLiteral("TOUTES");
    log(QStringLiteral("Debut export silencieux. IBAN=") + (AIban.isEmpty() ? QStringLiteral("TOUS") : AIban)
            + QStringLiteral(" Dates=") + (ADebut.isEmpty() ? toutes : ADebut) + QStringLiteral("..")
            + (AFin.isEmpty() ? toutes : AFin) + QStringLiteral(" Format=") + AFormat + QStringLiteral(" Mode=")
            + ATypeExport + QStringLiteral(" Repertoire=") + ARepertoire,
        QStringLiteral("DEBUT"));

    int n = ExportSelection(m_dm).ChargerExportEnMemTable(AIban, ADebut, AFin, QString(),
                                                          ATypeExport == QLatin1String("REEXPORT"),
                                                          QStringLiteral("NOCARD"));
    if (n == 0) {
        log(QStringLiteral("Aucune ecriture a exporter avec les criteres demandes"), QStringLiteral("INFO"));
        return 0;
    }
    int fichiers = 0;
    if (AFormat == QLatin1String("OFX")) {
        QString erreur;
        n = ExportUtils::ExporterRelevesOFXSilencieux(m_dm.UnConnection_dossier(), m_dm.exports().FDMemTableExport,
                                                      ARepertoire, ATypeExport, m_dm.user_courant_login, fichiers,
                                                      erreur, m_dm.clock());
        if (n < 0)
            throw ExportError(erreur);
    } else {
        n = CsvStatementExport(m_dm).ExporterCSVCompte(QString(), ARepertoire, ATypeExport, true);
    }
    QString message = QStringLiteral("Export silencieux termine : ") + QString::number(n) + QStringLiteral(" ecriture(s)");
    if (AFormat == QLatin1String("OFX"))
        message += QStringLiteral(", ") + QString::number(fichiers) + QStringLiteral(" fichier(s)");
    log(message, QStringLiteral("OK"));
    return n;
}
