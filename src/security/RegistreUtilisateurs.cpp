#include "security/RegistreUtilisateurs.h"

#include "common/FrenchFormat.h"
#include "common/UserDialogs.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"
#include "security/MorvaneSecurityUsers.h"

namespace {

const QString kTitre = QStringLiteral("Utilisateurs Tresoline");

bool memeLogin(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

int niveauEnregistre(int niveau)
{
    // The window offers 6 to 9 only; any other stored level is saved as the first entry.
    return niveau >= RegistreUtilisateurs::NIVEAU_MIN && niveau <= RegistreUtilisateurs::NIVEAU_MAX
        ? niveau
        : RegistreUtilisateurs::NIVEAU_MIN;
}

int compter(DataModule &dm, const QString &sql, int userId)
{
    SqlQuery query(dm.UnConnection_dossier(), sql);
    query.bind(QStringLiteral(":id"), userId).exec();
    return query.next() ? query.value(0).toInt() : 0;
}

struct Refus
{
    QString message;
    RegistreUtilisateurs::Champ champ;
};

// The checks that need no database, in the documented order.
bool verifierSaisie(const FicheUtilisateur &fiche, Refus &refus)
{
    using Champ = RegistreUtilisateurs::Champ;
    const bool nouveau = fiche.userId == 0;
    if (fiche.login.trimmed().isEmpty()) {
        refus = {QStringLiteral("Le login est obligatoire."), Champ::Login};
        return false;
    }
    if (nouveau && fiche.motDePasse.trimmed().isEmpty()) {
        refus = {QStringLiteral("Le mot de passe est obligatoire pour un nouvel utilisateur."), Champ::MotDePasse};
        return false;
    }
    if (fiche.email.trimmed().indexOf(QLatin1Char('@')) < 1) {
        refus = {QStringLiteral("Un email valide est obligatoire pour recuperer le mot de passe."), Champ::Email};
        return false;
    }
    QString erreur;
    if (!fiche.motDePasse.trimmed().isEmpty() && !MorvaneSecurityUsers::MotDePasseValide(fiche.motDePasse, erreur)) {
        refus = {erreur, Champ::MotDePasse};
        return false;
    }
    return true;
}

bool verifierAdministration(DataModule &dm, const FicheUtilisateur &fiche, const QString &currentLogin, Refus &refus)
{
    using Champ = RegistreUtilisateurs::Champ;
    const bool retrograde = niveauEnregistre(fiche.niveau) <= 8 || !fiche.actif;
    if (!retrograde)
        return true;
    if (memeLogin(fiche.login, currentLogin)) {
        refus = {QStringLiteral("Le compte administrateur actuellement connecte ne peut pas etre desactive ni "
                                "retrograde."),
                 Champ::Niveau};
        return false;
    }
    if (RegistreUtilisateurs::CompterAdminsActifs(dm, fiche.userId) == 0) {
        refus = {QStringLiteral("Impossible : cet utilisateur est le dernier administrateur actif.\r\nCreez ou "
                                "activez un autre administrateur avant de le modifier."),
                 Champ::Niveau};
        return false;
    }
    return true;
}

void ecrire(DataModule &dm, const FicheUtilisateur &fiche, const QString &currentLogin)
{
    const bool nouveau = fiche.userId == 0;
    const bool avecMotDePasse = !fiche.motDePasse.trimmed().isEmpty();
    QString sql;
    if (nouveau) {
        sql = QStringLiteral("INSERT INTO T_USERS (user_login, user_nom, user_fonction, user_email, cv, password_hash, "
                             "niveau_acces, user_droits, user_actif, date_creation, heure_creation, user_creation) "
                             "VALUES (:login, :nom, :fonction, :email, '', :ph, :niveau, :droits, :actif, :dc, :hc, "
                             ":ucre)");
    } else if (avecMotDePasse) {
        sql = QStringLiteral("UPDATE T_USERS SET user_nom=:nom, user_fonction=:fonction, user_email=:email, cv='', "
                             "password_hash=:ph, password_change_required=0,failed_attempts=0,locked_until_num=0,"
                             "reset_code_hash='',reset_nonce='',reset_expires_num=0,reset_attempts=0,"
                             "niveau_acces=:niveau, user_droits=:droits, user_actif=:actif, date_modification=:dm, "
                             "heure_modification=:hm, user_modification=:umod WHERE user_id=:id");
    } else {
        sql = QStringLiteral("UPDATE T_USERS SET user_nom=:nom, user_fonction=:fonction, user_email=:email, "
                             "niveau_acces=:niveau, user_droits=:droits, user_actif=:actif, date_modification=:dm, "
                             "heure_modification=:hm, user_modification=:umod WHERE user_id=:id");
    }
    const int niveau = niveauEnregistre(fiche.niveau);
    const QDateTime now = dm.now();
    const QString date = FrenchFormat::sqlDate(now.date());
    const QString heure = FrenchFormat::sqlTime(now.time());
    SqlQuery query(dm.UnConnection_dossier(), sql);
    query.bind(QStringLiteral(":nom"), fiche.nom.trimmed())
        .bind(QStringLiteral(":fonction"), fiche.fonction.trimmed())
        .bind(QStringLiteral(":email"), fiche.email.trimmed())
        .bind(QStringLiteral(":niveau"), niveau)
        .bind(QStringLiteral(":droits"), RegistreUtilisateurs::DroitsPourNiveau(niveau))
        .bind(QStringLiteral(":actif"), fiche.actif ? 1 : 0);
    if (avecMotDePasse)
        query.bind(QStringLiteral(":ph"), MorvaneSecurityUsers::CreerHashMotDePasse(fiche.motDePasse));
    if (nouveau) {
        query.bind(QStringLiteral(":login"), fiche.login.trimmed())
            .bind(QStringLiteral(":dc"), date)
            .bind(QStringLiteral(":hc"), heure)
            .bind(QStringLiteral(":ucre"), currentLogin);
    } else {
        query.bind(QStringLiteral(":id"), fiche.userId)
            .bind(QStringLiteral(":dm"), date)
            .bind(QStringLiteral(":hm"), heure)
            .bind(QStringLiteral(":umod"), currentLogin);
    }
    query.exec();
}

} // namespace

QString RegistreUtilisateurs::LibelleNiveau(int ANiveau)
{
    switch (ANiveau) {
    case 6:
        return QStringLiteral("Consultation");
    case 7:
        return QStringLiteral("Export");
    case 8:
        return QStringLiteral("Synchronisation + Export");
    case 9:
        return QStringLiteral("Administrateur");
    default:
        return QString::number(ANiveau);
    }
}

QString RegistreUtilisateurs::DroitsPourNiveau(int ANiveau)
{
    switch (ANiveau) {
    case 7:
        return QStringLiteral("EXPORT");
    case 8:
        return QStringLiteral("IMPORT");
    case 9:
        return QStringLiteral("ADMIN");
    default:
        return QStringLiteral("CONSULT");
    }
}

QString RegistreUtilisateurs::EntreeNiveau(int ANiveau)
{
    return QString::number(ANiveau) + QStringLiteral(" - ") + LibelleNiveau(ANiveau);
}

bool RegistreUtilisateurs::PeutOuvrir(DataModule &AConnection, int ACurrentNiveau, QString &AMessage)
{
    AMessage.clear();
    if (!AConnection.connectionOpen()) {
        AMessage = QStringLiteral("Base SQLite non connectee.");
        return false;
    }
    if (ACurrentNiveau < 9) {
        AMessage = QStringLiteral("La gestion des utilisateurs est reservee au niveau 9 (administrateur).");
        return false;
    }
    return true;
}

void RegistreUtilisateurs::EnsureTable(DataModule &AConnection)
{
    MorvaneSecurityUsers::EnsureSchema(AConnection);
}

std::vector<LigneUtilisateur> RegistreUtilisateurs::ChargerListe(DataModule &AConnection)
{
    std::vector<LigneUtilisateur> lignes;
    SqlQuery query(AConnection.UnConnection_dossier(),
                   QStringLiteral("SELECT user_id, user_login, user_nom, user_fonction,        niveau_acces, "
                                  "user_actif FROM T_USERS ORDER BY user_login"));
    query.exec();
    while (query.next()) {
        lignes.push_back({query.value(0).toInt(), query.text(1), query.text(2), query.text(3),
                          LibelleNiveau(query.value(4).toInt()),
                          query.value(5).toInt() == 1 ? QStringLiteral("Oui") : QStringLiteral("Non")});
    }
    return lignes;
}

bool RegistreUtilisateurs::ChargerFiche(DataModule &AConnection, int AUserId, FicheUtilisateur &AFiche)
{
    SqlQuery query(AConnection.UnConnection_dossier(),
                   QStringLiteral("SELECT user_id, user_login, user_nom, user_fonction, user_email,        cv, "
                                  "niveau_acces, user_actif, COALESCE(admin_initial,0) AS admin_initial FROM T_USERS "
                                  "WHERE user_id = :id"));
    query.bind(QStringLiteral(":id"), AUserId).exec();
    if (!query.next())
        return false;
    AFiche = FicheUtilisateur();
    AFiche.userId = query.value(0).toInt();
    AFiche.login = query.text(1);
    AFiche.nom = query.text(2);
    AFiche.fonction = query.text(3);
    AFiche.email = query.text(4);
    AFiche.niveau = query.value(6).toInt();
    AFiche.actif = query.value(7).toInt() == 1;
    AFiche.adminInitial = query.value(8).toInt() == 1;
    return true;
}

bool RegistreUtilisateurs::NiveauEtActifModifiables(const FicheUtilisateur &AFiche, const QString &ACurrentLogin)
{
    return AFiche.userId == 0 || !memeLogin(AFiche.login, ACurrentLogin);
}

bool RegistreUtilisateurs::SuppressionPossible(const FicheUtilisateur &AFiche, const QString &ACurrentLogin)
{
    return AFiche.userId > 0 && !memeLogin(AFiche.login, ACurrentLogin) && AFiche.niveau <= 8 && !AFiche.adminInitial;
}

int RegistreUtilisateurs::CompterAdminsActifs(DataModule &AConnection, int AUserId)
{
    return compter(AConnection,
                   QStringLiteral("SELECT COUNT(*) AS n FROM T_USERS WHERE niveau_acces = 9 AND user_actif = 1 AND "
                                  "user_id <> :id"),
                   AUserId);
}

bool RegistreUtilisateurs::EstAdministrateur(DataModule &AConnection, int AUserId)
{
    if (AUserId < 1)
        return false;
    return compter(AConnection, QStringLiteral("SELECT COUNT(*) FROM T_USERS WHERE user_id = :id AND niveau_acces > 8"),
                   AUserId)
        > 0;
}

bool RegistreUtilisateurs::EstAdministrateurInitial(DataModule &AConnection, int AUserId)
{
    if (AUserId < 1)
        return false;
    return compter(AConnection,
                   QStringLiteral("SELECT COUNT(*) FROM T_USERS WHERE user_id = :id AND COALESCE(admin_initial,0) = 1"),
                   AUserId)
        > 0;
}

bool RegistreUtilisateurs::Enregistrer(DataModule &AConnection, const FicheUtilisateur &AFiche,
                                       const QString &ACurrentLogin, QString &AMessage, Champ &AChamp)
{
    AMessage.clear();
    AChamp = Champ::Aucun;
    Refus refus;
    const bool nouveau = AFiche.userId == 0;
    const QString login = AFiche.login.trimmed();
    try {
        bool accepte = verifierSaisie(AFiche, refus);
        if (accepte && !nouveau)
            accepte = verifierAdministration(AConnection, AFiche, ACurrentLogin, refus);
        if (accepte && nouveau) {
            // Login lookups ignore case, so two logins differing only by case would share one account.
            SqlQuery doublon(AConnection.UnConnection_dossier(),
                             QStringLiteral("SELECT COUNT(*) AS n FROM T_USERS WHERE UPPER(user_login) = UPPER(:login)"));
            doublon.bind(QStringLiteral(":login"), login).exec();
            if (doublon.next() && doublon.value(0).toInt() > 0) {
                refus = {QStringLiteral("Ce login existe deja. Choisissez-en un autre."), Champ::Login};
                accepte = false;
            }
        }
        if (!accepte) {
            AMessage = refus.message;
            AChamp = refus.champ;
            return false;
        }
        ecrire(AConnection, AFiche, ACurrentLogin);
    } catch (const DbError &e) {
        AMessage = QStringLiteral("Enregistrement impossible :\r\n") + e.message();
        return false;
    }
    MorvaneSecurityUsers::JournaliserAction(
        AConnection, ACurrentLogin, nouveau ? QStringLiteral("UTILISATEUR_CREATION") : QStringLiteral("UTILISATEUR_MODIFICATION"),
        (nouveau ? QStringLiteral("Utilisateur Tresoline cree : ") : QStringLiteral("Utilisateur Tresoline modifie : "))
            + login,
        QStringLiteral("OK"));
    AMessage = QStringLiteral("Utilisateur enregistre.");
    return true;
}

bool RegistreUtilisateurs::Supprimer(DataModule &AConnection, const FicheUtilisateur &AFiche,
                                     const QString &ACurrentLogin, QString &AMessage)
{
    AMessage.clear();
    if (AFiche.userId < 1) {
        AMessage = QStringLiteral("Selectionnez un utilisateur dans la liste.");
        return false;
    }
    if (memeLogin(AFiche.login, ACurrentLogin)) {
        AMessage = QStringLiteral("Vous ne pouvez pas supprimer le compte actuellement connecte.");
        return false;
    }
    try {
        if (EstAdministrateurInitial(AConnection, AFiche.userId)) {
            AMessage = QStringLiteral("L'administrateur initial cree lors de la premiere mise en service est protege "
                                      "et ne peut jamais etre supprime.");
            return false;
        }
        if (EstAdministrateur(AConnection, AFiche.userId)) {
            AMessage = QStringLiteral("Un compte administrateur ne peut pas etre supprime.\r\nSi sa suppression est "
                                      "vraiment necessaire, attribuez-lui d'abord un niveau inferieur depuis un autre "
                                      "compte administrateur.");
            return false;
        }
        if (!AConnection.dialogs().askYesNo(kTitre, QStringLiteral("Supprimer definitivement l'utilisateur \"")
                                                        + AFiche.login + QStringLiteral("\" ?")))
            return false;
        SqlQuery(AConnection.UnConnection_dossier(),
                 QStringLiteral("DELETE FROM T_USERS WHERE user_id=:id AND COALESCE(admin_initial,0)=0"))
            .bind(QStringLiteral(":id"), AFiche.userId)
            .exec();
    } catch (const DbError &e) {
        AMessage = QStringLiteral("Suppression impossible :\r\n") + e.message();
        return false;
    }
    MorvaneSecurityUsers::JournaliserAction(AConnection, ACurrentLogin, QStringLiteral("UTILISATEUR_SUPPRESSION"),
                                            QStringLiteral("Utilisateur Tresoline supprime : ") + AFiche.login,
                                            QStringLiteral("OK"));
    return true;
}
