#include "common/AtomicFile.h"

#include <QSaveFile>

namespace AtomicFile {

bool write(const QString &path, const QByteArray &content, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Impossible de créer le fichier ") + path + QStringLiteral(" : ")
            + file.errorString();
        return false;
    }
    if (file.write(content) != content.size()) {
        error = QStringLiteral("Écriture impossible dans le fichier ") + path + QStringLiteral(" : ")
            + file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = QStringLiteral("Enregistrement impossible du fichier ") + path + QStringLiteral(" : ")
            + file.errorString();
        return false;
    }
    return true;
}

} // namespace AtomicFile
