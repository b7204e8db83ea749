#include "app/ui/DesktopStart.h"

#include "app/Configuration.h"
#include "app/ExitCode.h"
#include "db/DataModule.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>

namespace DesktopStart {

int run(const QStringList &params)
{
    Q_UNUSED(params);
    DataModule dm(Configuration::fromEnvironment());
    const QString error = dm.DataModuleCreate();
    if (!error.isEmpty())
        QMessageBox::critical(nullptr, QStringLiteral("Tresoline"), error);

    QMainWindow window;
    window.setObjectName(QStringLiteral("Form2"));
    window.setWindowTitle(QStringLiteral("Tresoline"));
    auto *label = new QLabel(QStringLiteral("Tresoline"), &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.resize(900, 600);
    window.show();
    const int loop = QApplication::exec();
    Q_UNUSED(loop);
    return ExitCode::toProcessStatus(ExitCode::get());
}

} // namespace DesktopStart
