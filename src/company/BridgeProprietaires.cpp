#include "company/BridgeProprietaires.h"

#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"

namespace {

// The owner whose address matches ignoring letter case; 0 when none.
int proprietaireDeLAdresse(DataModule &dm, const QString &email)
{
    SqlQuery query(dm.UnConnection_dossier(), QStringLiteral("SELECT proprietaire_id FROM T_PROPRIETAIRES_COMPTES "
                                                             "WHERE lower(email) = lower(:email) LIMIT 1"));
    query.bind(QStringLiteral(":email"), email).exec();
    return query.next() ? query.value(0).toInt() : 0;
}

} // namespace

void BridgeProprietaires::EnsureTable(DataModule &AConnection)
{
    if (!AConnection.connectionOpen())
        return;
    const QSqlDatabase &db = AConnection.UnConnection_dossier();
    SqlQuery::run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS T_PROPRIETAIRES_COMPTES (proprietaire_id INTEGER PRIMARY "
                                     "KEY AUTOINCREMENT,nom VARCHAR(200) NOT NULL,email VARCHAR(120) NOT NULL,telephone "
                                     "VARCHAR(50),observation VARCHAR(255),actif INTEGER DEFAULT 1,date_creation DATE,"
                                     "heure_creation TIME,user_creation TEXT(50),date_modification DATE,"
                                     "heure_modification TIME,user_modification TEXT(50))"));
    SqlQuery::run(db, QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS idx_proprietaires_email ON "
                                     "T_PROPRIETAIRES_COMPTES(email)"));
    SqlQuery::run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS T_ENVOIS_LIENS_BRIDGE (envoi_id INTEGER PRIMARY KEY "
                                     "AUTOINCREMENT,proprietaire_id INTEGER,nom VARCHAR(200),email VARCHAR(120),"
                                     "lien_bridge TEXT,json_reponse TEXT,date_envoi DATE,heure_envoi TIME,resultat "
                                     "TEXT(30),message TEXT)"));
    SqlQuery::run(db, QStringLiteral("CREATE INDEX IF NOT EXISTS idx_envois_bridge_email ON "
                                     "T_ENVOIS_LIENS_BRIDGE(email, date_envoi)"));
}

std::vector<Proprietaire> BridgeProprietaires::ChargerListe(DataModule &AConnection)
{
    std::vector<Proprietaire> liste;
    SqlQuery query(AConnection.UnConnection_dossier(),
                   QStringLiteral("SELECT proprietaire_id, CAST(nom AS VARCHAR(200)) AS nom, CAST(email AS VARCHAR(120)) "
                                  "AS email, CAST(telephone AS VARCHAR(50)) AS telephone, CAST(observation AS "
                                  "VARCHAR(255)) AS observation, actif FROM T_PROPRIETAIRES_COMPTES WHERE actif = 1 "
                                  "ORDER BY nom, email"));
    query.exec();
    while (query.next())
        liste.push_back({query.value(0).toInt(), query.text(1), query.text(2), query.text(3), query.text(4)});
    return liste;
}

bool BridgeProprietaires::SauverCourant(DataModule &AConnection, const Proprietaire &ACourant,
                                        Proprietaire &ASelection, QString &AMessage)
{
    AMessage.clear();
    const QString nom = ACourant.Nom.trimmed();
    const QString email = ACourant.Email.trimmed();
    if (nom.isEmpty()) {
        AMessage = QStringLiteral("Le nom du client ou de la societe est obligatoire.");
        return false;
    }
    if (email.isEmpty() || !email.contains(QLatin1Char('@'))) {
        AMessage = QStringLiteral("Email obligatoire et valide.");
        return false;
    }
    const QString telephone = ACourant.Telephone.trimmed();
    const QString observation = ACourant.Observation.trimmed();
    try {
        EnsureTable(AConnection);
        int id = ACourant.ProprietaireId;
        const int connu = proprietaireDeLAdresse(AConnection, email);
        if (id < 1 && connu > 0)
            id = connu; // a new entry with a known address updates that owner
        if (id > 0 && connu > 0 && connu != id) {
            // The unique index would let the same address in another letter case through.
            AMessage = QStringLiteral("Cet email est deja celui d'un autre proprietaire.");
            return false;
        }
        const QDateTime now = AConnection.now();
        const QString date = FrenchFormat::sqlDate(now.date());
        const QString heure = FrenchFormat::sqlTime(now.time());
        const QSqlDatabase &db = AConnection.UnConnection_dossier();
        if (id < 1) {
            SqlQuery(db, QStringLiteral("INSERT INTO T_PROPRIETAIRES_COMPTES (nom, email, telephone, observation, actif, "
                                        "date_creation, heure_creation, user_creation) VALUES (:nom, :email, :tel, "
                                        ":obs, 1, :dcre, :hcre, :user)"))
                .bind(QStringLiteral(":nom"), nom)
                .bind(QStringLiteral(":email"), email)
                .bind(QStringLiteral(":tel"), telephone)
                .bind(QStringLiteral(":obs"), observation)
                .bind(QStringLiteral(":dcre"), date)
                .bind(QStringLiteral(":hcre"), heure)
                .bind(QStringLiteral(":user"), QStringLiteral("SYSTEM"))
                .exec();
            id = SqlQuery::scalar(db, QStringLiteral("SELECT last_insert_rowid() AS id")).toInt();
        } else {
            SqlQuery(db, QStringLiteral("UPDATE T_PROPRIETAIRES_COMPTES SET nom=:nom, email=:email, telephone=:tel, "
                                        "observation=:obs, actif=1, date_modification=:dmod, heure_modification=:hmod, "
                                        "user_modification=:user WHERE proprietaire_id=:id"))
                .bind(QStringLiteral(":nom"), nom)
                .bind(QStringLiteral(":email"), email)
                .bind(QStringLiteral(":tel"), telephone)
                .bind(QStringLiteral(":obs"), observation)
                .bind(QStringLiteral(":dmod"), date)
                .bind(QStringLiteral(":hmod"), heure)
                .bind(QStringLiteral(":user"), QStringLiteral("SYSTEM"))
                .bind(QStringLiteral(":id"), id)
                .exec();
        }
        ASelection = {id, nom, email, telephone, observation};
        return true;
    } catch (const DbError &e) {
        AMessage = e.message();
        return false;
    }
}

void BridgeProprietaires::JournaliserLien(DataModule &AConnection, int AProprietaireId, const QString &ANom,
                                          const QString &AEmail, const QString &ALienBridge,
                                          const QString &AJsonReponse, const QString &AResultat,
                                          const QString &AMessage)
{
    if (!AConnection.connectionOpen())
        return;
    EnsureTable(AConnection);
    const QDateTime now = AConnection.now();
    SqlQuery(AConnection.UnConnection_dossier(),
             QStringLiteral("INSERT INTO T_ENVOIS_LIENS_BRIDGE (proprietaire_id, nom, email, lien_bridge, json_reponse, "
                            "date_envoi, heure_envoi, resultat, message) VALUES (:pid, :nom, :email, :lien, :json, "
                            ":date_envoi, :heure_envoi, :res, :msg)"))
        .bind(QStringLiteral(":pid"), AProprietaireId)
        .bind(QStringLiteral(":nom"), ANom)
        .bind(QStringLiteral(":email"), AEmail)
        .bind(QStringLiteral(":lien"), ALienBridge)
        .bind(QStringLiteral(":json"), AJsonReponse)
        .bind(QStringLiteral(":date_envoi"), FrenchFormat::sqlDate(now.date()))
        .bind(QStringLiteral(":heure_envoi"), FrenchFormat::sqlTime(now.time()))
        .bind(QStringLiteral(":res"), AResultat)
        .bind(QStringLiteral(":msg"), AMessage)
        .exec();
}
