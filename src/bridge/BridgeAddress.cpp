#include "bridge/BridgeAddress.h"

#include <QUrl>

bool BridgeAddress::isLoopbackHost(const QString &host)
{
    const QString h = host.toLower();
    return h == QLatin1String("127.0.0.1") || h == QLatin1String("::1")
        || h == QLatin1String("[::1]") || h == QLatin1String("localhost");
}

bool BridgeAddress::verifier(const QString &url, QString &base, QString &erreur)
{
    base.clear();
    erreur.clear();
    const QString texte = url.trimmed();
    const QUrl parsed(texte, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty()
        || (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        || !parsed.userInfo().isEmpty() || parsed.hasQuery() || parsed.hasFragment()) {
        erreur = QStringLiteral("Adresse du service Bridge invalide : «") + texte + QStringLiteral("»");
        return false;
    }
    if (scheme == QLatin1String("http") && !isLoopbackHost(parsed.host())) {
        erreur = QStringLiteral("Adresse du service Bridge refusée : «") + texte
            + QStringLiteral("» n'est pas chiffrée (http:// n'est admis que vers cette machine), "
                             "aucune requête envoyée");
        return false;
    }
    base = texte;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return true;
}
