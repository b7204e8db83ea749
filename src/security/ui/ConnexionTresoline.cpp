#include "security/ui/ConnexionTresoline.h"

#include "common/UserDialogs.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"
#include "security/MorvaneSecurityUsers.h"
#include "security/ui/FormConnexionMorvane.h"
#include "security/ui/FormCreationAdminMorvane.h"

QString TConnexionTresoline::EmailSociete(DataModule &AConnection)
{
    if (!AConnection.connectionOpen())
        return {};
    try {
        return SqlQuery::scalar(AConnection.UnConnection_dossier(),
                                QStringLiteral("SELECT email FROM T_IDENTIFICATION_SOCIETE ORDER BY societe_id LIMIT 1"))
            .toString()
            .trimmed();
    } catch (const DbError &) {
        return {};
    }
}

bool TConnexionTresoline::Executer(DataModule &AConnection, MorvaneUtilisateur &AUtilisateur)
{
    AUtilisateur = {};
    if (!AConnection.connectionOpen())
        return false;
    try {
        MorvaneSecurityUsers::EnsureSchema(AConnection);
        if (MorvaneSecurityUsers::AdministrateurInitialRequis(AConnection)) {
            TFormCreationAdminMorvane creation(nullptr, AConnection, EmailSociete(AConnection));
            WindowStyle::centreOn(&creation, nullptr);
            if (creation.exec() != QDialog::Accepted)
                return false;
        }
    } catch (const DbError &e) {
        // Without the user store nobody can log in: say why, then the start ends.
        AConnection.LogOperation(QStringLiteral("CONNEXION"), e.message(), QStringLiteral("ECHEC"),
                                 QStringLiteral("Connexion"));
        AConnection.dialogs().error(QStringLiteral("Connexion Tresoline"), e.message());
        return false;
    }
    TFormConnexionMorvane connexion(nullptr, AConnection);
    WindowStyle::centreOn(&connexion, nullptr);
    if (connexion.exec() != QDialog::Accepted)
        return false;
    AUtilisateur = connexion.FUtilisateur;
    return true;
}
