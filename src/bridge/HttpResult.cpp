#include "bridge/HttpResult.h"

#include <QStringList>

QString HttpResult::header(const QString &name) const
{
    const QStringList lines = headerText.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        if (line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}
