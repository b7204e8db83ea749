#include "app/CommandMode.h"

#include "app/CommandRunner.h"
#include "app/BuildConfig.h"
#include "app/Configuration.h"
#include "app/ExitCode.h"
#include "db/DataModule.h"

#include <QCoreApplication>
#include <QTextStream>

namespace CommandMode {

bool optionInformation(const QStringList &params, int &status)
{
    QTextStream out(stdout);
    for (const QString &p : params) {
        const QString word = p.trimmed().toLower();
        if (word == QLatin1String("--version") || word == QLatin1String("-v")) {
            out << QStringLiteral("Tresoline ") << QString::fromLatin1(BuildConfig::Version) << Qt::endl;
            status = 0;
            return true;
        }
        if (word == QLatin1String("--help") || word == QLatin1String("-h") || word == QLatin1String("/?")) {
            out << usage();
            status = 0;
            return true;
        }
    }
    return false;
}

QString usage()
{
    return QStringLiteral(
        "Tresoline - connecteur bancaire Bridge\n"
        "\n"
        "Utilisation :\n"
        "  tresoline                      interface graphique\n"
        "  tresoline synchro CODE8        une synchronisation de tous les comptes\n"
        "  tresoline export CODE8 IBAN date_debut date_fin CSV|OFX repertoire OUI|NON\n"
        "                                 un export de releves (IBAN : TOUS ou * pour tous les comptes ;\n"
        "                                 dates aaaa-mm-jj, jj/mm/aaaa ou - ; OUI = reexporter)\n"
        "  tresoline --version            la version du programme\n"
        "  tresoline --help               ce texte\n"
        "\n"
        "Les mots synchro et export s'ecrivent aussi /synchro, -synchro ou --synchro.\n"
        "\n"
        "Codes de sortie :\n"
        "  synchro : 0 termine (ou deja en cours ailleurs), 1 refuse ou en echec\n"
        "  export  : n ecritures exportees (au plus 254, le nombre exact est affiche),\n"
        "            0 rien a exporter, 255 refuse ou en echec\n");
}

int run(const QStringList &params)
{
    DataModule dm(Configuration::fromEnvironment());
    const QString error = dm.DataModuleCreate();
    if (!error.isEmpty())
        QTextStream(stderr) << error << Qt::endl; // start-up goes on; the code check will refuse

    CommandRunner runner(dm, params);
    if (runner.Demarrer()) {
        // The command starts once the event loop runs, as the posted window message did.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&runner] {
            const QString fin = runner.modeExport() ? runner.WMExportCommande() : runner.WMSynchroCommande();
            QTextStream(stdout) << fin << Qt::endl;
            if (!runner.erreur().isEmpty())
                QTextStream(stderr) << runner.erreur() << Qt::endl;
            QCoreApplication::quit();
        }, Qt::QueuedConnection);
        QCoreApplication::exec();
    } else {
        QTextStream(stderr) << runner.erreur() << Qt::endl;
    }
    return ExitCode::toProcessStatus(ExitCode::get());
}

} // namespace CommandMode
