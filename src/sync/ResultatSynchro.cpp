#include "sync/ResultatSynchro.h"

#include <QStringList>

namespace {

QString decrire(const QString &prefixe, const ResultatSynchro::CompteNonLu &c)
{
    QString texte = prefixe + QStringLiteral(" IBAN ") + c.iban + QStringLiteral(" account_id=") + c.accountId;
    if (!c.erreur.isEmpty())
        texte += QStringLiteral(" (") + c.erreur + QStringLiteral(")");
    return texte;
}

} // namespace

QString ResultatSynchro::detail() const
{
    if (complet())
        return {};
    QStringList parties;
    if (listeComptesEnEchec) {
        QString texte = QStringLiteral("liste des comptes Bridge non lue");
        if (!erreurListeComptes.isEmpty())
            texte += QStringLiteral(" (") + erreurListeComptes + QStringLiteral(")");
        parties.append(texte);
    }
    for (const CompteNonLu &c : comptesEnEchec)
        parties.append(decrire(QStringLiteral("compte non lu"), c));
    for (const CompteNonLu &c : comptesIncomplets)
        parties.append(decrire(QStringLiteral("compte incomplet"), c));
    const QString titre = succes() ? QStringLiteral("Synchronisation terminee incomplete : ")
                                   : QStringLiteral("Synchronisation terminee avec erreurs : ");
    return titre + parties.join(QStringLiteral(" ; "));
}
