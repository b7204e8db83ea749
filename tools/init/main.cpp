// Prepares an installation for unattended runs without opening a window: creates
// the database when needed and records the company identification the command
// modes rely on (name, report e-mail, console code, Bridge user id).
//
//   tresoline-init --home DIR --societe NOM --email ADRESSE --code CODE8
//                  --bridge-user ID [--repertoire-export DIR]
#include "app/Configuration.h"
#include "company/IdentificationSociete.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"

#include <QCoreApplication>
#include <QTextStream>

#include <map>

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << message << Qt::endl;
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::map<QString, QString> options;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2)
        options[args.at(i)] = args.at(i + 1);
    auto option = [&](const char *name) { return options[QString::fromLatin1(name)]; };

    const QString home = option("--home");
    if (home.isEmpty())
        return fail(QStringLiteral("Utilisation : tresoline-init --home DIR --societe NOM --email ADRESSE --code CODE8 "
                                   "--bridge-user ID [--repertoire-export DIR]"));
    const QString societe = option("--societe").trimmed();
    const QString email = option("--email").trimmed();
    const QString code = IdentificationSociete::NormaliserCodeSecuriteConsole(option("--code"));
    if (!IdentificationSociete::RaisonSocialeValide(societe))
        return fail(QStringLiteral("Raison sociale invalide : ") + societe);
    if (!IdentificationSociete::EmailValide(email))
        return fail(QStringLiteral("Email invalide : ") + email);
    if (!IdentificationSociete::CodeSecuriteConsoleValide(code))
        return fail(QStringLiteral("Code de securite console invalide : 8 caracteres 0-9 et A-Z"));

    DataModule dm(Configuration::defaults(home));
    const QString error = dm.DataModuleCreate();
    if (!error.isEmpty())
        return fail(error);
    try {
        IdentificationSociete::EnsureTable(dm);
        SqlQuery(dm.UnConnection_dossier(),
                 QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = :r, email = :e, "
                                "code_securite_console = :c, bridge_external_user_id = :b, repertoire_export = :x "
                                "WHERE societe_id = (SELECT MIN(societe_id) FROM T_IDENTIFICATION_SOCIETE)"))
            .bind(QStringLiteral(":r"), societe)
            .bind(QStringLiteral(":e"), email)
            .bind(QStringLiteral(":c"), code)
            .bind(QStringLiteral(":b"), option("--bridge-user").trimmed())
            .bind(QStringLiteral(":x"), option("--repertoire-export").trimmed())
            .exec();
    } catch (const DbError &e) {
        return fail(e.message());
    }
    dm.LogOperation(QStringLiteral("SOCIETE"), QStringLiteral("Identification societe preparee pour ") + societe,
                    QStringLiteral("OK"), QStringLiteral("tresoline-init"));
    QTextStream(stdout) << QStringLiteral("Installation prete : ") << dm.databasePath() << Qt::endl;
    return 0;
}
