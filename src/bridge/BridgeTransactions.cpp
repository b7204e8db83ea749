#include "bridge/BridgeTransactions.h"

#include "app/NumericEvaluator.h"
#include "bridge/BridgeAccounts.h"
#include "bridge/BridgeState.h"
#include "bridge/BridgeTransport.h"
#include "bridge/JsonDocument.h"
#include "bridge/PageLoopGuard.h"
#include "db/DataModule.h"

#include <QDate>

namespace {

constexpr qsizetype kLogMax = 4000;

QDate isoDate(const QString &text)
{
    return QDate::fromString(text.left(10), Qt::ISODate);
}

} // namespace

BridgeTransactions::BridgeTransactions(DataModule &dm) : m_dm(dm) {}

RecuperationResultat BridgeTransactions::aggregation_paginated_bootstrap(const QString &xtoken,
                                                                         const QString &xcpte, int AMaxRows)
{
    return recuperer(xtoken, xcpte, nullptr, AMaxRows);
}

RecuperationResultat BridgeTransactions::aggregation_paginated_with_since(const QString &xtoken,
                                                                          const QString &xcpte,
                                                                          const QString &xsince, int AMaxRows)
{
    return recuperer(xtoken, xcpte, &xsince, AMaxRows);
}

bool BridgeTransactions::LookupCompteActif(const QString &AAccountID, QString &AItemID, QString &AIban,
                                           QString &ABanque, QString &ALibelleCompte,
                                           QString &ATypeCompte) const
{
    AItemID.clear();
    AIban.clear();
    ABanque.clear();
    ALibelleCompte.clear();
    ATypeCompte.clear();
    if (AAccountID.isEmpty())
        return false;
    for (const CompteBridge &compte : m_dm.bridge().FDMemTableaccount) {
        if (compte.ID != AAccountID)
            continue;
        AItemID = compte.ItemID;
        AIban = compte.IBAN;
        ABanque = compte.Banque;
        ALibelleCompte = compte.Nom;
        ATypeCompte = compte.TypeCompte;
        return true;
    }
    return false;
}

RecuperationResultat BridgeTransactions::recuperer(const QString &xtoken, const QString &xcpte,
                                                   const QString *xsince, int AMaxRows)
{
    using Statut = RecuperationResultat::Statut;
    const int maxRows = AMaxRows < 1 ? kMaxRowsDefaut : AMaxRows;
    const QString info = QStringLiteral("INFO");
    BridgeState &state = m_dm.bridge();
    if (state.FDMemTableaccount.empty()) {
        m_dm.LogOperation(info, QStringLiteral("Chargement automatique de la liste des comptes..."));
        BridgeAccounts(m_dm).liste_compte(xtoken, false);
    }

    RecuperationResultat resultat;
    BridgeTransport transport(m_dm);
    auto client = transport.nouveauClient();
    if (!transport.connecter(*client)) {
        transport.journaliserEchecConnexion(client->connectFailReason(), client->lastErrorText());
        resultat.statut = Statut::EchecConnexion;
        resultat.erreur = client->lastErrorText();
        return resultat;
    }
    HttpRequest request = transport.requeteDonnees(xtoken);
    request.path = QStringLiteral("/v3/aggregation/transactions");
    request.addQueryParam(QStringLiteral("limit"), QString::number(kTaillePage));
    if (!xcpte.isEmpty())
        request.addQueryParam(QStringLiteral("account_id"), xcpte);
    if (xsince && !xsince->isEmpty())
        request.addQueryParam(QStringLiteral("since"), *xsince);

    PageLoopGuard guard(m_dm, info, QStringLiteral("Bridge"));
    int compteur = 0;
    // Account columns of the previous row: a page nearly always holds one account.
    QString lastAccount;
    TransactionBridge accountColumns;
    bool columnsRead = false;
    for (;;) {
        guard.noter(client->urlFor(request));
        const HttpResult reponse = transport.envoyerAvecToken(*client, request, info, QString());
        if (reponse.issue == HttpResult::Issue::ConnexionEchouee && resultat.pages == 0) {
            transport.journaliserEchecConnexion(reponse.connectFailReason, reponse.errorText);
            resultat.statut = Statut::EchecConnexion;
            resultat.erreur = reponse.errorText;
            return resultat;
        }
        if (!transport.journaliserReponse(reponse)) {
            resultat.statut = reponse.responded() ? Statut::EchecStatut : Statut::EchecRequete;
            resultat.statutHttp = reponse.status;
            resultat.erreur = reponse.responded()
                ? QString(QStringLiteral("HTTP ") + QString::number(reponse.status) + QStringLiteral(" : ")
                          + BridgeTransport::texteBody(reponse.body))
                : reponse.errorText;
            break;
        }
        JsonDocument doc;
        if (!doc.load(reponse.body)) {
            resultat.statut = Statut::ReponseIllisible;
            resultat.erreur = transport.journaliserIllisible(*client, request, doc.lastError(), reponse.body,
                                                             info, QStringLiteral("Bridge"));
            break;
        }
        transport.journaliserJson(doc.emitIndented(kLogMax));
        ++resultat.pages;

        const int n = doc.sizeOfArray(QStringLiteral("resources"));
        int i = 0;
        for (; i < n && compteur < maxRows; ++i) {
            doc.putI(i);
            if (doc.boolOf(QStringLiteral("resources[i].deleted")))
                continue;
            TransactionBridge row;
            row.id = doc.stringOf(QStringLiteral("resources[i].id"));
            row.account_id = doc.stringOf(QStringLiteral("resources[i].account_id"));
            if (!columnsRead || row.account_id != lastAccount) {
                lastAccount = row.account_id;
                columnsRead = true;
                LookupCompteActif(row.account_id, accountColumns.item_id, accountColumns.iban,
                                              accountColumns.bank_name, accountColumns.account_name,
                                              accountColumns.account_type);
            }
            row.item_id = accountColumns.item_id;
            row.iban = accountColumns.iban;
            row.bank_name = accountColumns.bank_name;
            row.account_name = accountColumns.account_name;
            row.account_type = accountColumns.account_type;
            const QString date = doc.stringOf(QStringLiteral("resources[i].date"));
            if (!date.isEmpty()) {
                row.date_iso = date;
                row.date = isoDate(date);
            }
            row.description = doc.stringOf(QStringLiteral("resources[i].clean_description"));
            row.provider_description = doc.stringOf(QStringLiteral("resources[i].provider_description"));
            row.amount_txt = doc.stringOf(QStringLiteral("resources[i].amount"));
            row.amount = row.amount_txt.isEmpty() ? 0.0 : tabl(row.amount_txt);
            row.currency_code = doc.stringOf(QStringLiteral("resources[i].currency_code"));
            row.operation_type = doc.stringOf(QStringLiteral("resources[i].operation_type"));
            row.booking_date = doc.stringOf(QStringLiteral("resources[i].booking_date"));
            row.transaction_date = doc.stringOf(QStringLiteral("resources[i].transaction_date"));
            row.value_date = doc.stringOf(QStringLiteral("resources[i].value_date"));
            row.updated_at = doc.stringOf(QStringLiteral("resources[i].updated_at"));
            row.deleted = false;
            row.future = doc.boolOf(QStringLiteral("resources[i].future"));
            state.FDMemTable1.push_back(std::move(row));
            ++compteur;
        }
        const bool resteSurPage = i < n;

        request.path = BridgeTransport::BridgePathFromNextUri(doc.stringOf(QStringLiteral("pagination.next_uri")));
        request.clearAllQueryParams();
        if (request.path.isEmpty()) {
            resultat.statut = resteSurPage ? Statut::PlafondAtteint : Statut::Complet;
            break;
        }
        if (compteur >= maxRows) {
            resultat.statut = Statut::PlafondAtteint;
            break;
        }
        if (guard.dejaDemande(client->urlFor(request))) {
            resultat.statut = Statut::BoucleNextUri;
            resultat.erreur = guard.signalerBoucle(request.path);
            break;
        }
    }
    resultat.lignesAjoutees = compteur;
    if (resultat.statut == Statut::PlafondAtteint && resultat.erreur.isEmpty())
        resultat.erreur = QStringLiteral("Limite de ") + QString::number(maxRows)
            + QStringLiteral(" lignes atteinte");
    const QString lignes = QStringLiteral(" : ") + QString::number(compteur) + QStringLiteral(" lignes");
    const QString bilan = xsince
        ? QString(QStringLiteral("Incremental account_id=") + xcpte + QStringLiteral(" since=") + *xsince + lignes)
        : QString(QStringLiteral("Bootstrap account_id=") + xcpte + lignes);
    m_dm.LogOperation(info, bilan);
    return resultat;
}
