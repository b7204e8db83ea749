#include "bridge/BridgeAccounts.h"

#include "app/NumericEvaluator.h"
#include "bridge/BridgeState.h"
#include "bridge/BridgeTransport.h"
#include "bridge/JsonDocument.h"
#include "bridge/PageLoopGuard.h"
#include "common/AtomicFile.h"
#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"

#include <QDate>
#include <QSet>

#include <algorithm>

struct BridgeAccounts::CompteRecu
{
    QString id;
    QString name;
    QString type;
    QString currency_code;
    QString iban;
    QString item_id;
    QString provider_id;
    QString balance;
    QString last_refresh_status;
    QString instant_balance;
    QString accounting_balance;
    QString updated_at;
    QString data_access;
    bool pro = false;
    bool paused = false;

    bool reussi() const { return last_refresh_status.toLower() == QLatin1String("successful"); }
    bool carte() const { return type.toLower() == QLatin1String("card"); }
};

namespace {

const QString kInfo = QStringLiteral("INFO");
const QString kSuffixeCarte = QStringLiteral(" / CARTE");
constexpr qsizetype kLogMax = 4000;

std::optional<double> soldeOf(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    return tabl(text);
}

// Plain decimal text in the French number format, as the account list shows it.
QString soldeTexte(const std::optional<double> &solde)
{
    if (!solde)
        return {};
    return QString::number(*solde, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString rangCarte(int rang)
{
    return QStringLiteral("%1").arg(rang, 2, 10, QLatin1Char('0'));
}

} // namespace

BridgeAccounts::BridgeAccounts(DataModule &dm) : m_dm(dm) {}

// --- reading ---

RecuperationResultat BridgeAccounts::lirePagesComptes(const QString &xtoken, std::vector<CompteRecu> &comptes)
{
    using Statut = RecuperationResultat::Statut;
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
    request.path = QStringLiteral("/v3/aggregation/accounts");
    // Bridge pages accounts (50 by default): ask for large pages and follow them all.
    request.addQueryParam(QStringLiteral("limit"), QString::number(kTaillePage));
    PageLoopGuard guard(m_dm, kInfo, QStringLiteral("Bridge"));
    for (;;) {
        guard.noter(client->urlFor(request));
        const HttpResult reponse = transport.envoyerAvecToken(*client, request, kInfo, QString());
        if (!transport.journaliserReponse(reponse)) {
            resultat.statut = reponse.issue == HttpResult::Issue::ConnexionEchouee ? Statut::EchecConnexion
                : reponse.responded()                                               ? Statut::EchecStatut
                                                                                    : Statut::EchecRequete;
            resultat.statutHttp = reponse.status;
            resultat.erreur = reponse.responded() ? BridgeTransport::texteBody(reponse.body) : reponse.errorText;
            return resultat;
        }
        JsonDocument doc;
        if (!doc.load(reponse.body)) {
            resultat.statut = Statut::ReponseIllisible;
            resultat.erreur = transport.journaliserIllisible(*client, request, doc.lastError(), reponse.body, kInfo,
                                                             QStringLiteral("Bridge"));
            return resultat;
        }
        transport.journaliserJson(doc.emitIndented(kLogMax));
        ++resultat.pages;
        const int n = doc.sizeOfArray(QStringLiteral("resources"));
        for (int i = 0; i < n; ++i) {
            doc.putI(i);
            CompteRecu c;
            c.id = doc.stringOf(QStringLiteral("resources[i].id"));
            c.name = doc.stringOf(QStringLiteral("resources[i].name"));
            c.type = doc.stringOf(QStringLiteral("resources[i].type"));
            c.currency_code = doc.stringOf(QStringLiteral("resources[i].currency_code"));
            c.iban = doc.stringOf(QStringLiteral("resources[i].iban"));
            c.item_id = doc.stringOf(QStringLiteral("resources[i].item_id"));
            c.provider_id = doc.stringOf(QStringLiteral("resources[i].provider_id"));
            c.balance = doc.stringOf(QStringLiteral("resources[i].balance"));
            c.last_refresh_status = doc.stringOf(QStringLiteral("resources[i].last_refresh_status"));
            c.instant_balance = doc.stringOf(QStringLiteral("resources[i].instant_balance"));
            c.accounting_balance = doc.stringOf(QStringLiteral("resources[i].accounting_balance"));
            c.updated_at = doc.stringOf(QStringLiteral("resources[i].updated_at"));
            c.data_access = doc.stringOf(QStringLiteral("resources[i].data_access"));
            c.pro = doc.boolOf(QStringLiteral("resources[i].pro"));
            c.paused = doc.boolOf(QStringLiteral("resources[i].paused"));
            comptes.push_back(std::move(c));
        }
        request.path = BridgeTransport::BridgePathFromNextUri(doc.stringOf(QStringLiteral("pagination.next_uri")));
        request.clearAllQueryParams();
        if (request.path.isEmpty())
            return resultat;
        if (guard.dejaDemande(client->urlFor(request))) {
            resultat.statut = Statut::BoucleNextUri;
            resultat.erreur = guard.signalerBoucle(request.path);
            return resultat;
        }
    }
}

QString BridgeAccounts::nomBanqueCompte(const CompteRecu &compte) const
{
    const QString nom = LookupNomBanque(compte.provider_id);
    if (!nom.isEmpty())
        return nom;
    if (!compte.provider_id.isEmpty())
        return QStringLiteral("Provider ") + compte.provider_id;
    return {};
}

// A card's pseudo-IBAN is its parent IBAN, "CB" and a rank. A card already stored under
// that parent keeps its rank, so a card that disappears never hands its name, statements
// and T_COMPTES row to the next one; a new card takes the lowest rank still free. Ranks
// are given to every card of the item in the order received, whatever its status.
std::vector<QString> BridgeAccounts::pseudoIbansCartes(const std::vector<CompteRecu> &comptes,
                                                       const std::map<QString, QString> &ibanParItem)
{
    std::vector<QString> pseudo(comptes.size());
    std::map<QString, std::vector<std::size_t>> cartesParItem;
    for (std::size_t k = 0; k < comptes.size(); ++k) {
        if (comptes[k].carte() && ibanParItem.count(comptes[k].item_id))
            cartesParItem[comptes[k].item_id].push_back(k);
    }
    for (const auto &[item, cartes] : cartesParItem) {
        const QString prefixe = ibanParItem.at(item) + QStringLiteral("CB");
        QSet<int> pris;
        std::map<QString, int> rangConnu;
        if (m_dm.connectionOpen()) {
            SqlQuery query(m_dm.UnConnection_dossier(),
                           QStringLiteral("SELECT iban, account_id_bridge FROM T_COMPTES "
                                          "WHERE substr(iban, 1, :n) = :prefixe"));
            query.bind(QStringLiteral(":n"), prefixe.size()).bind(QStringLiteral(":prefixe"), prefixe).exec();
            while (query.next()) {
                const QString suffixe = query.text(0).mid(prefixe.size());
                const bool chiffres = !suffixe.isEmpty() && suffixe.size() <= 6
                    && std::all_of(suffixe.begin(), suffixe.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
                const int rang = chiffres ? suffixe.toInt() : 0;
                if (rang < 1)
                    continue;
                pris.insert(rang);
                const QString account = query.text(1).trimmed();
                if (!account.isEmpty() && (!rangConnu.count(account) || rang < rangConnu[account]))
                    rangConnu[account] = rang;
            }
        }
        QSet<int> donnes;
        for (std::size_t k : cartes) {
            const auto connu = rangConnu.find(comptes[k].id);
            int rang = 0;
            if (connu != rangConnu.end() && !donnes.contains(connu->second)) {
                rang = connu->second;
            } else {
                rang = 1;
                while (pris.contains(rang) || donnes.contains(rang))
                    ++rang;
            }
            donnes.insert(rang);
            pseudo[k] = prefixe + rangCarte(rang);
        }
    }
    return pseudo;
}

RecuperationResultat BridgeAccounts::liste_compte(const QString &xtoken, bool AInclureObsoletes)
{
    m_dm.LogOperation(kInfo, QStringLiteral("--- Début opération ---"));
    m_dm.LogOperation(QStringLiteral("JSON"), QStringLiteral("--- Début JSON ---"));
    std::vector<CompteRecu> comptes;
    RecuperationResultat resultat = lirePagesComptes(xtoken, comptes);
    if (resultat.echec())
        return resultat;

    std::vector<CompteBridge> &table = m_dm.bridge().FDMemTableaccount;
    table.clear();

    std::map<QString, QString> ibanParItem;
    std::map<QString, QString> banqueParItem;
    for (const CompteRecu &c : comptes) {
        if (c.type.toLower() != QLatin1String("checking") || c.iban.isEmpty() || c.item_id.isEmpty())
            continue;
        if (!AInclureObsoletes && !c.reussi())
            continue;
        ibanParItem[c.item_id] = c.iban;
        banqueParItem[c.item_id] = nomBanqueCompte(c);
    }
    const std::vector<QString> pseudo = pseudoIbansCartes(comptes, ibanParItem);

    for (std::size_t k = 0; k < comptes.size(); ++k) {
        const CompteRecu &c = comptes[k];
        if (!c.reussi() && !AInclureObsoletes) {
            m_dm.LogOperation(kInfo, QStringLiteral("Compte ID=") + c.id + QStringLiteral(" (status ")
                                         + c.last_refresh_status + QStringLiteral(") ignoré"));
            continue;
        }
        QString iban;
        QString banque;
        if (c.carte()) {
            if (!ibanParItem.count(c.item_id)) {
                m_dm.LogOperation(kInfo, QStringLiteral("Carte ID=") + c.id + QStringLiteral(" (item ") + c.item_id
                                             + QStringLiteral(") sans checking parent actif : ignorée"));
                continue;
            }
            iban = pseudo[k];
            const auto parent = banqueParItem.find(c.item_id);
            banque = parent != banqueParItem.end() ? parent->second : QString();
            if (banque.isEmpty())
                banque = nomBanqueCompte(c);
            if (banque.isEmpty())
                banque = c.name;
            banque += kSuffixeCarte;
            m_dm.LogOperation(kInfo, QStringLiteral("Carte ID=") + c.id + QStringLiteral(" rattachée à IBAN=") + iban);
        } else {
            iban = c.iban;
            banque = nomBanqueCompte(c);
            if (banque.isEmpty())
                banque = c.name;
        }

        CompteBridge row;
        row.ID = c.id;
        row.ItemID = c.item_id;
        row.Obsolete = c.reussi() ? QStringLiteral("NON") : QStringLiteral("OUI");
        row.TypeCompte = c.type;
        row.Nom = c.name;
        row.Banque = banque;
        row.IBAN = iban;
        row.Solde = soldeOf(c.balance);
        row.Devise = c.currency_code;
        row.Status = c.last_refresh_status;
        row.InstantBalance = soldeOf(c.instant_balance);
        row.AccountingBalance = soldeOf(c.accounting_balance);
        row.UpdatedAt = c.updated_at;
        row.ProviderID = c.provider_id;
        row.DataAccess = c.data_access;
        row.Pro = c.pro;
        row.Paused = c.paused;
        row.IBAN_brut = c.iban;
        table.push_back(std::move(row));

        m_dm.LogOperation(QStringLiteral("JSON"),
                          QStringLiteral("ID=") + c.id + QStringLiteral(" ; Type=") + c.type + QStringLiteral(" ; Nom=")
                              + c.name + QStringLiteral(" ; IBAN=") + iban + QStringLiteral(" ; ItemID=") + c.item_id
                              + QStringLiteral(" ; Devise=") + c.currency_code + QStringLiteral(" ; Banque=") + banque
                              + QStringLiteral(" ; Solde=") + c.balance + QStringLiteral(" ; UpdatedAt=")
                              + c.updated_at);
        SyncCompteVersBase(c.id, c.item_id, c.type, c.name, banque, iban, c.balance, c.updated_at);
    }

    MajDatesFinConsentementDepuisItems(xtoken);
    const QString fichier = m_dm.chemin_releve + QStringLiteral("liste_comptes_bridge.csv");
    QString erreurFichier;
    const bool ecrit = ExportComptesBridgeCSV(fichier, &erreurFichier);
    if (AInclureObsoletes)
        m_dm.LogOperation(kInfo, QStringLiteral("** Mode INCLUS OBSOLÈTES activé **"));
    m_dm.LogOperation(kInfo, QStringLiteral("Comptes actifs retenus : ") + QString::number(table.size()));
    if (ecrit)
        m_dm.LogOperation(kInfo, QStringLiteral("Fichier comptes créé : ") + fichier);
    else
        m_dm.LogOperation(kInfo, erreurFichier, QStringLiteral("ECHEC"), QStringLiteral("ExportComptesBridgeCSV"));
    resultat.lignesAjoutees = static_cast<int>(table.size());
    return resultat;
}

// --- T_COMPTES ---

void BridgeAccounts::SyncCompteVersBase(const QString &AAccountID, const QString &AItemID, const QString &AType,
                                        const QString &ANom, const QString &ABanque, const QString &AIban,
                                        const QString &ASolde, const QString &ASoldeDate)
{
    Q_UNUSED(ANom);
    if (AIban.trimmed().isEmpty())
        return;
    const QDateTime now = m_dm.now();
    const QString date = FrenchFormat::sqlDate(now.date());
    const QString heure = FrenchFormat::sqlTime(now.time());
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    const QVariant solde = ASolde.isEmpty() ? QVariant(QMetaType::fromType<double>()) : QVariant(tabl(ASolde));

    SqlQuery find(db, QStringLiteral("SELECT compte_id FROM T_COMPTES WHERE iban = :iban"));
    find.bind(QStringLiteral(":iban"), AIban).exec();
    if (!find.next()) {
        SqlQuery insert(db, QStringLiteral(
                                "INSERT INTO T_COMPTES (societe_id, iban, account_id_bridge, item_id_bridge, "
                                "type_compte, nom_banque, dernier_solde_bridge, dernier_solde_bridge_date, "
                                "date_creation, heure_creation, user_creation) VALUES (:soc, :iban, :acc, :item, "
                                ":type, :banque, :solde, :sdate, :d, :h, :u)"));
        insert.bind(QStringLiteral(":soc"), m_dm.societe_courante_id)
            .bind(QStringLiteral(":iban"), AIban)
            .bind(QStringLiteral(":acc"), AAccountID)
            .bind(QStringLiteral(":item"), AItemID)
            .bind(QStringLiteral(":type"), AType)
            .bind(QStringLiteral(":banque"), ABanque)
            .bind(QStringLiteral(":solde"), solde)
            .bind(QStringLiteral(":sdate"), ASoldeDate)
            .bind(QStringLiteral(":d"), date)
            .bind(QStringLiteral(":h"), heure)
            .bind(QStringLiteral(":u"), m_dm.user_courant_login)
            .exec();
        return;
    }
    // With a balance, account data older than what the row holds changes nothing.
    const bool avecSolde = !ASolde.isEmpty();
    SqlQuery update(db, QStringLiteral("UPDATE T_COMPTES SET account_id_bridge = :acc, item_id_bridge = :item, "
                                       "type_compte = :type, nom_banque = :banque, ")
                            + (avecSolde ? QStringLiteral("dernier_solde_bridge = :solde, "
                                                          "dernier_solde_bridge_date = :sdate, ")
                                         : QString())
                            + QStringLiteral("date_modification = :d, heure_modification = :h, "
                                             "user_modification = :u WHERE iban = :iban")
                            + (avecSolde ? QStringLiteral(" AND (:solde_date >= COALESCE(dernier_solde_bridge_date, ''))")
                                         : QString()));
    update.bind(QStringLiteral(":acc"), AAccountID)
        .bind(QStringLiteral(":item"), AItemID)
        .bind(QStringLiteral(":type"), AType)
        .bind(QStringLiteral(":banque"), ABanque)
        .bind(QStringLiteral(":d"), date)
        .bind(QStringLiteral(":h"), heure)
        .bind(QStringLiteral(":u"), m_dm.user_courant_login)
        .bind(QStringLiteral(":iban"), AIban);
    if (avecSolde) {
        update.bind(QStringLiteral(":solde"), solde)
            .bind(QStringLiteral(":sdate"), ASoldeDate)
            .bind(QStringLiteral(":solde_date"), ASoldeDate);
    }
    update.exec();
    if (AItemID.trimmed().isEmpty())
        return;
    SqlQuery fill(db, QStringLiteral(
                          "UPDATE T_COMPTES SET item_id_bridge = :item WHERE iban = :iban "
                          "AND (item_id_bridge IS NULL OR TRIM(item_id_bridge) = '') "
                          "AND (account_id_bridge IS NULL OR TRIM(account_id_bridge) = '' "
                          "OR account_id_bridge = :acc)"));
    fill.bind(QStringLiteral(":item"), AItemID)
        .bind(QStringLiteral(":iban"), AIban)
        .bind(QStringLiteral(":acc"), AAccountID)
        .exec();
}

// --- account list file ---

QString BridgeAccounts::CsvQuote(const QString &S)
{
    QString quoted = S;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool BridgeAccounts::ExportComptesBridgeCSV(const QString &AFileName, QString *AErreur)
{
    std::vector<CompteBridge> &table = m_dm.bridge().FDMemTableaccount;
    std::stable_sort(table.begin(), table.end(), [](const CompteBridge &a, const CompteBridge &b) {
        const int banque = a.Banque.compare(b.Banque);
        return banque != 0 ? banque < 0 : a.ID.compare(b.ID) < 0;
    });
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Banque;ID compte;Libelle compte;IBAN;Type;Obsolete;Status;Solde;Devise;ItemID")
        + crlf;
    for (const CompteBridge &c : table) {
        const QStringList fields = {c.Banque, c.ID, c.Nom, c.IBAN, c.TypeCompte, c.Obsolete,
                                    c.Status, soldeTexte(c.Solde), c.Devise, c.ItemID};
        QStringList quoted;
        quoted.reserve(fields.size());
        for (const QString &f : fields)
            quoted.append(CsvQuote(f));
        text += quoted.join(QLatin1Char(';')) + crlf;
    }
    const QByteArray content = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QString erreur;
    const bool ok = AtomicFile::write(AFileName, content, erreur);
    if (AErreur)
        *AErreur = erreur;
    return ok;
}

// --- consent dates ---

QString BridgeAccounts::BridgeIsoToSqlDate(const QString &S)
{
    if (S.size() >= 10 && S.at(4) == QLatin1Char('-') && S.at(7) == QLatin1Char('-'))
        return S.left(10);
    return {};
}

RecuperationResultat BridgeAccounts::MajDatesFinConsentementDepuisItems(const QString &xtoken)
{
    using Statut = RecuperationResultat::Statut;
    const QString source = QStringLiteral("MajDatesFinConsentementDepuisItems");
    const QString echec = QStringLiteral("ECHEC");
    RecuperationResultat resultat;
    if (xtoken.trimmed().isEmpty() || !m_dm.connectionOpen()
        || !m_dm.dossier_champsexists(QStringLiteral("T_COMPTES"), QStringLiteral("item_id_bridge"))
        || !m_dm.dossier_champsexists(QStringLiteral("T_COMPTES"), QStringLiteral("date_fin_consentement"))) {
        resultat.statut = Statut::EchecRequete;
        resultat.erreur = QStringLiteral("Lecture des items Bridge non faite (token vide ou base non prête)");
        return resultat;
    }
    BridgeTransport transport(m_dm);
    auto client = transport.nouveauClient();
    if (!transport.connecter(*client)) {
        m_dm.LogOperation(kInfo, QStringLiteral("Impossible de lire les items Bridge : ") + client->lastErrorText(),
                          echec, source);
        resultat.statut = Statut::EchecConnexion;
        resultat.erreur = client->lastErrorText();
        return resultat;
    }
    HttpRequest request = transport.requeteDonnees(xtoken);
    request.path = QStringLiteral("/v3/aggregation/items?limit=500");
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    SqlQuery avecDate(db, QStringLiteral("UPDATE T_COMPTES SET date_fin_consentement = :dt WHERE item_id_bridge = :item_id"));
    SqlQuery sansDate(db, QStringLiteral("UPDATE T_COMPTES SET date_fin_consentement = NULL WHERE item_id_bridge = :item_id"));
    PageLoopGuard guard(m_dm, kInfo, source);
    int items = 0;
    int dates = 0;
    int sans = 0;
    for (;;) {
        guard.noter(client->urlFor(request));
        const HttpResult reponse = transport.envoyerAvecToken(*client, request, kInfo, source);
        if (reponse.issue == HttpResult::Issue::ConnexionEchouee) {
            m_dm.LogOperation(kInfo, QStringLiteral("Impossible de lire les items Bridge : ") + reponse.errorText,
                              echec, source);
            resultat.statut = Statut::EchecConnexion;
            resultat.erreur = reponse.errorText;
            return resultat;
        }
        if (reponse.issue == HttpResult::Issue::RequeteEchouee) {
            m_dm.LogOperation(kInfo, reponse.errorText, echec, source);
            resultat.statut = Statut::EchecRequete;
            resultat.erreur = reponse.errorText;
            return resultat;
        }
        if (reponse.status >= 400) {
            m_dm.LogOperation(kInfo,
                              QStringLiteral("Lecture items Bridge impossible, HTTP ") + QString::number(reponse.status)
                                  + QStringLiteral(" : ") + BridgeTransport::texteBody(reponse.body),
                              echec, source);
            resultat.statut = Statut::EchecStatut;
            resultat.statutHttp = reponse.status;
            resultat.erreur = BridgeTransport::texteBody(reponse.body);
            return resultat;
        }
        JsonDocument doc;
        if (!doc.load(reponse.body)) {
            resultat.statut = Statut::ReponseIllisible;
            resultat.erreur = transport.journaliserIllisible(*client, request, doc.lastError(), reponse.body, kInfo,
                                                             source);
            return resultat;
        }
        ++resultat.pages;
        const int n = doc.sizeOfArray(QStringLiteral("resources"));
        for (int i = 0; i < n; ++i) {
            doc.putI(i);
            ++items;
            const QString id = doc.stringOf(QStringLiteral("resources[i].id"));
            if (id.isEmpty())
                continue;
            const QString dt = BridgeIsoToSqlDate(doc.stringOf(QStringLiteral("resources[i].authentication_expires_at")));
            if (!dt.isEmpty()) {
                avecDate.bind(QStringLiteral(":dt"), dt).bind(QStringLiteral(":item_id"), id).exec();
                ++dates;
            } else {
                sansDate.bind(QStringLiteral(":item_id"), id).exec();
                ++sans;
            }
        }
        request.path = BridgeTransport::BridgePathFromNextUri(doc.stringOf(QStringLiteral("pagination.next_uri")));
        if (request.path.isEmpty())
            break;
        if (guard.dejaDemande(client->urlFor(request))) {
            resultat.statut = Statut::BoucleNextUri;
            resultat.erreur = guard.signalerBoucle(request.path);
            return resultat;
        }
    }
    resultat.lignesAjoutees = items;
    m_dm.LogOperation(kInfo,
                      QStringLiteral("Dates de fin consentement Bridge mises a jour depuis les items : ")
                          + QString::number(items) + QStringLiteral(" item(s), ") + QString::number(dates)
                          + QStringLiteral(" date(s) lue(s), ") + QString::number(sans)
                          + QStringLiteral(" item(s) sans date"),
                      QStringLiteral("OK"), source);
    return resultat;
}

void BridgeAccounts::VerifierExpirationConsentements(QStringList &AListeAlertes)
{
    AListeAlertes.clear();
    const QString source = QStringLiteral("VerifierExpirationConsentements");
    if (!m_dm.connectionOpen()
        || !m_dm.dossier_champsexists(QStringLiteral("T_COMPTES"), QStringLiteral("date_fin_consentement")))
        return;
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT c.nom_banque, c.iban, c.client_raison_sociale, c.date_fin_consentement, "
                                  "(SELECT MAX(e.date_ecriture) FROM T_ECRITURES e WHERE e.iban = c.iban) "
                                  "AS derniere_ecriture FROM T_COMPTES c "
                                  "WHERE c.date_fin_consentement IS NOT NULL "
                                  "AND TRIM(c.date_fin_consentement) <> '' "
                                  "ORDER BY c.date_fin_consentement"));
    query.exec();
    const QDate today = m_dm.now().date();
    while (query.next()) {
        const QDate fin = FrenchFormat::parseSqlDate(query.text(3).trimmed().left(10));
        if (!fin.isValid())
            continue;
        const QString banque = query.text(0).trimmed();
        const QString iban = query.text(1).trimmed();
        const QString societe = query.text(2).trimmed();
        QString derniere = query.text(4).trimmed();
        if (derniere.isEmpty())
            derniere = QStringLiteral("aucune ecriture connue");
        const QString finTexte = FrenchFormat::displayDate(fin);
        const qint64 jours = today.daysTo(fin);
        if (jours < 0) {
            AListeAlertes.append(QStringLiteral("[IBAN NON SYNCHRONISE] Banque=") + banque + QStringLiteral(" | IBAN=")
                                 + iban + QStringLiteral(" | Societe=") + societe
                                 + QStringLiteral(" | consentement expire le ") + finTexte
                                 + QStringLiteral(" | derniere ecriture connue=") + derniere
                                 + QStringLiteral(" | nouvelles ecritures non synchronisables avant renouvellement"));
        } else if (jours <= kJoursAlerteConsentement) {
            AListeAlertes.append(QStringLiteral("[FIN DE CONSENTEMENT] Banque=") + banque + QStringLiteral(" | IBAN=")
                                 + iban + QStringLiteral(" | Societe=") + societe + QStringLiteral(" | expire dans ")
                                 + QString::number(jours) + QStringLiteral(" jour(s), le ") + finTexte);
        }
    }
    if (AListeAlertes.isEmpty())
        m_dm.LogOperation(QStringLiteral("CONSENTEMENT"), QStringLiteral("Aucune fin de consentement dans les 10 prochains jours"),
                          QStringLiteral("OK"), source);
    else
        m_dm.LogOperation(QStringLiteral("CONSENTEMENT"),
                          QString::number(AListeAlertes.size())
                              + QStringLiteral(" alerte(s) de consentement ajoutee(s) au rapport de synchronisation"),
                          QStringLiteral("ALERTE"), source);
}

QString BridgeAccounts::LookupNomBanque(const QString &AProviderId) const
{
    bool ok = false;
    const int id = AProviderId.trimmed().toInt(&ok);
    if (!ok || id == 0)
        return {};
    for (const ProviderBridge &p : m_dm.bridge().providers) {
        if (p.ID == id)
            return p.name;
    }
    return {};
}
