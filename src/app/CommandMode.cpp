#include "app/CommandMode.h"

#include "app/Configuration.h"
#include "app/ExitCode.h"
#include "db/DataModule.h"

#include <QTextStream>

namespace CommandMode {

int run(const QStringList &params)
{
    Q_UNUSED(params);
    DataModule dm(Configuration::fromEnvironment());
    const QString error = dm.DataModuleCreate();
    if (!error.isEmpty()) {
        QTextStream(stderr) << error << Qt::endl;
        ExitCode::set(1);
    }
    return ExitCode::toProcessStatus(ExitCode::get());
}

} // namespace CommandMode
