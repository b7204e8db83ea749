#include "app/ui/DesktopStart.h"

#include "app/Configuration.h"
#include "app/ExitCode.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SplashTresoline.h"
#include "common/ui/QtFrenchTranslation.h"
#include "common/ui/QtUserDialogs.h"
#include "company/IdentificationSociete.h"
#include "company/ui/IdentificationSocieteWindow.h"
#include "db/DataModule.h"

#include <QApplication>
#include <QTimer>

#include <memory>

namespace DesktopStart {

int run(const QStringList &params)
{
    Q_UNUSED(params); // the command words were read by main
    QtFrenchTranslation french;
    QtUserDialogs dialogs;

    auto splash = std::make_unique<TSplashTresoline>();
    splash->show();
    splash->Etat(QStringLiteral("Initialisation de Tresoline..."), 10);
    splash->Etat(QStringLiteral("Ouverture de la base locale..."), 30);

    DataModule dm(Configuration::fromEnvironment());
    dm.setDialogs(&dialogs);
    dm.setIdleHook([] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    const QString erreur = dm.DataModuleCreate();
    if (!erreur.isEmpty())
        dialogs.error(QStringLiteral("Tresoline"), erreur);

    dialogs.registerModal(IdentificationSociete::NomFenetre(),
                          [&dm](QWidget *owner) { return IdentificationSocieteWindow::Executer(dm, owner); });

    MainWindow window(dm);
    // A message box must never hide behind the progress window, which stays on top.
    dialogs.setBeforeShow([&window] { window.FermerFenetreSync(); });
    QObject::connect(&window, &MainWindow::fermetureDemandee, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    const bool continuer = window.FormCreate();
    splash->Etat(QStringLiteral("Chargement de l'interface..."), 90);
    splash.reset();
    if (!continuer)
        return ExitCode::toProcessStatus(ExitCode::get());

    window.showMaximized();
    QApplication::exec();
    dm.FOnSyncProgress = nullptr;
    return ExitCode::toProcessStatus(ExitCode::get());
}

} // namespace DesktopStart
