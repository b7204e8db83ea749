#include "common/ui/SlotGuard.h"

#include "common/UserDialogs.h"
#include "db/DataModule.h"
#include "db/DbError.h"

#include <QApplication>

#include <exception>

namespace {

void report(DataModule &dm, const QString &source, const QString &message) noexcept
{
    try {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        dm.LogOperation(QStringLiteral("ERREUR"), message, QStringLiteral("ECHEC"), source);
        dm.dialogs().error(QStringLiteral("Erreur"), message);
    } catch (...) {
        // Nothing more can be done; the event loop must keep running.
    }
}

} // namespace

bool SlotGuard::run(DataModule &dm, const QString &source, const std::function<void()> &work) noexcept
{
    try {
        work();
        return true;
    } catch (const DbError &e) {
        report(dm, source, e.message());
    } catch (const std::exception &e) {
        report(dm, source, QString::fromUtf8(e.what()));
    } catch (...) {
        report(dm, source, QStringLiteral("Erreur inattendue"));
    }
    return false;
}
