#include "app/CommandLine.h"
#include "app/CommandMode.h"
#include "app/ui/DesktopStart.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QStringList params;
    for (int i = 1; i < argc; ++i)
        params << QString::fromLocal8Bit(argv[i]);

    int status = 0;
    if (CommandMode::optionInformation(params, status))
        return status;

    // Decided before anything else: a command mode never creates a widget and
    // never needs a display.
    if (CommandLine::ModeCommandeSilencieuseDemandee(params)) {
        QCoreApplication app(argc, argv);
        return CommandMode::run(params);
    }
    QApplication app(argc, argv);
    return DesktopStart::run(params);
}
