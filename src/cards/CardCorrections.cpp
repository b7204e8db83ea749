#include "cards/CardCorrections.h"

#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/DbTransaction.h"
#include "db/SqlQuery.h"
#include "export/CardRule.h"

namespace {

const QString kSource = QStringLiteral("Cartes");

// An empty date is stored as NULL, as the bank's rows without date are.
QVariant dateOuNull(const QString &AText)
{
    return AText.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(AText);
}

QString montant(double AValeur)
{
    return FrenchFormat::amountComma(AValeur);
}

CorrectionCarte lireLigneCorrection(SqlQuery &AQuery)
{
    CorrectionCarte c;
    c.id_bridge = AQuery.text(QStringLiteral("id_bridge"));
    c.action = AQuery.text(QStringLiteral("action")).trimmed().toUpper();
    c.ecriture_id_origine = AQuery.value(QStringLiteral("ecriture_id_origine")).toLongLong();
    c.ancienne_date_ecriture = AQuery.text(QStringLiteral("ancienne_date_ecriture"));
    c.nouvelle_date_ecriture = AQuery.text(QStringLiteral("nouvelle_date_ecriture"));
    c.ancienne_date_valeur = AQuery.text(QStringLiteral("ancienne_date_valeur"));
    c.nouvelle_date_valeur = AQuery.text(QStringLiteral("nouvelle_date_valeur"));
    c.ancien_libelle_original = AQuery.text(QStringLiteral("ancien_libelle_original"));
    c.nouveau_libelle_original = AQuery.text(QStringLiteral("nouveau_libelle_original"));
    c.ancien_libelle_quelvo = AQuery.text(QStringLiteral("ancien_libelle_quelvo"));
    c.nouveau_libelle_quelvo = AQuery.text(QStringLiteral("nouveau_libelle_quelvo"));
    c.ancien_montant = AQuery.value(QStringLiteral("ancien_montant")).toDouble();
    c.nouveau_montant = AQuery.value(QStringLiteral("nouveau_montant")).toDouble();
    c.date_correction = AQuery.text(QStringLiteral("date_correction"));
    c.heure_correction = AQuery.text(QStringLiteral("heure_correction"));
    c.user_correction = AQuery.text(QStringLiteral("user_correction"));
    return c;
}

const QString kColonnesCorrection = QStringLiteral(
    "id_bridge, action, ecriture_id_origine, ancienne_date_ecriture, nouvelle_date_ecriture, "
    "ancienne_date_valeur, nouvelle_date_valeur, ancien_libelle_original, nouveau_libelle_original, "
    "ancien_libelle_quelvo, nouveau_libelle_quelvo, ancien_montant, nouveau_montant, "
    "date_correction, heure_correction, user_correction");

} // namespace

CardCorrections::CardCorrections(DataModule &dm) : m_dm(dm)
{
}

QString CardCorrections::CleCorrection(const QString &AIdBridge, qint64 AEcritureId)
{
    const QString id = AIdBridge.trimmed();
    return id.isEmpty() ? QStringLiteral("LOCAL-") + QString::number(AEcritureId) : id;
}

bool CardCorrections::lireValeurs(qint64 AEcritureId, QString &AIdBridge,
                                  ValeursEcritureCarte &AValeurs)
{
    AIdBridge.clear();
    AValeurs = ValeursEcritureCarte();
    if (AEcritureId <= 0)
        return false;
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT id_bridge, date_ecriture, value_date, provider_description, "
                                  "description, amount FROM T_ECRITURES WHERE ecriture_id = :id AND ")
                       + CardRule::sqlIsCard() + QStringLiteral(" LIMIT 1"));
    query.bind(QStringLiteral(":id"), AEcritureId).exec();
    if (!query.next())
        return false;
    AIdBridge = query.text(0);
    AValeurs.dateEcriture = FrenchFormat::parseSqlDate(query.text(1));
    AValeurs.dateValeur = query.text(2);
    AValeurs.libelleOriginal = query.text(3);
    AValeurs.libelleQuelvo = query.text(4);
    AValeurs.montant = query.value(5).toDouble();
    return true;
}

bool CardCorrections::LireEcriture(qint64 AEcritureId, QString &AIdBridge, QDate &ADateEcriture,
                                   QString &ADateValeur, QString &ALibelleOriginal,
                                   QString &ALibelleQuelvo, double &AMontant)
{
    ValeursEcritureCarte valeurs;
    const bool trouve = lireValeurs(AEcritureId, AIdBridge, valeurs);
    ADateEcriture = valeurs.dateEcriture;
    ADateValeur = valeurs.dateValeur;
    ALibelleOriginal = valeurs.libelleOriginal;
    ALibelleQuelvo = valeurs.libelleQuelvo;
    AMontant = valeurs.montant;
    return trouve;
}

void CardCorrections::EnregistrerCorrection(
    const QString &AAction, qint64 AEcritureId, const QString &AIdBridge,
    const QString &AAncienneDate, const QString &ANouvelleDate, const QString &AAncienneValeur,
    const QString &ANouvelleValeur, const QString &AAncienOriginal, const QString &ANouvelOriginal,
    const QString &AAncienQuelvo, const QString &ANouvelQuelvo, double AAncienMontant,
    double ANouveauMontant)
{
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    const QString cle = CleCorrection(AIdBridge, AEcritureId);
    SqlQuery count(db, QStringLiteral("SELECT COUNT(*) FROM T_CORRECTIONS_CARTES WHERE id_bridge = :cle"));
    count.bind(QStringLiteral(":cle"), cle).exec();
    const bool existe = count.next() && count.value(0).toInt() > 0;

    // The "ancien" columns are written once: the bank's values survive every later
    // correction until the correction is removed.
    SqlQuery write(db, existe
        ? QStringLiteral("UPDATE T_CORRECTIONS_CARTES SET action = :action, ecriture_id_origine = :eid, "
                         "nouvelle_date_ecriture = :nd, nouvelle_date_valeur = :nv, "
                         "nouveau_libelle_original = :no, nouveau_libelle_quelvo = :nq, "
                         "nouveau_montant = :nm, date_correction = :dc, heure_correction = :hc, "
                         "user_correction = :uc WHERE id_bridge = :cle")
        : QStringLiteral("INSERT INTO T_CORRECTIONS_CARTES (") + kColonnesCorrection
            + QStringLiteral(") VALUES (:cle, :action, :eid, :ad, :nd, :av, :nv, :ao, :no, :aq, :nq, "
                             ":am, :nm, :dc, :hc, :uc)"));
    const QDateTime instant = m_dm.now();
    write.bind(QStringLiteral(":cle"), cle)
        .bind(QStringLiteral(":action"), AAction)
        .bind(QStringLiteral(":eid"), AEcritureId)
        .bind(QStringLiteral(":nd"), ANouvelleDate)
        .bind(QStringLiteral(":nv"), ANouvelleValeur)
        .bind(QStringLiteral(":no"), ANouvelOriginal)
        .bind(QStringLiteral(":nq"), ANouvelQuelvo)
        .bind(QStringLiteral(":nm"), ANouveauMontant)
        .bind(QStringLiteral(":dc"), FrenchFormat::sqlDate(instant.date()))
        .bind(QStringLiteral(":hc"), FrenchFormat::sqlTime(instant.time()))
        .bind(QStringLiteral(":uc"), m_dm.user_courant_login);
    if (!existe) {
        write.bind(QStringLiteral(":ad"), AAncienneDate)
            .bind(QStringLiteral(":av"), AAncienneValeur)
            .bind(QStringLiteral(":ao"), AAncienOriginal)
            .bind(QStringLiteral(":aq"), AAncienQuelvo)
            .bind(QStringLiteral(":am"), AAncienMontant);
    }
    write.exec();
}

void CardCorrections::appliquerValeurs(qint64 AEcritureId, const ValeursEcritureCarte &AValeurs)
{
    SqlQuery update(m_dm.UnConnection_dossier(),
                    QStringLiteral("UPDATE T_ECRITURES SET date_ecriture = :d, value_date = :v, "
                                   "provider_description = :po, description = :pq, amount = :m, "
                                   "amount_txt = :mt WHERE ecriture_id = :id AND ")
                        + CardRule::sqlIsCard());
    update.bind(QStringLiteral(":d"), dateOuNull(FrenchFormat::sqlDate(AValeurs.dateEcriture)))
        .bind(QStringLiteral(":v"), AValeurs.dateValeur)
        .bind(QStringLiteral(":po"), AValeurs.libelleOriginal)
        .bind(QStringLiteral(":pq"), AValeurs.libelleQuelvo)
        .bind(QStringLiteral(":m"), AValeurs.montant)
        .bind(QStringLiteral(":mt"), FrenchFormat::amountPoint(AValeurs.montant))
        .bind(QStringLiteral(":id"), AEcritureId)
        .exec();
}

bool CardCorrections::ModifierEcriture(qint64 AEcritureId, const ValeursEcritureCarte &ANouvelles,
                                       QString &AMessage)
{
    AMessage.clear();
    if (m_dm.user_courant_niveau < 9) {
        AMessage = QStringLiteral("La correction des cartes est reservee au niveau 9.");
        return false;
    }
    if (AEcritureId <= 0) {
        AMessage = QStringLiteral("Selectionnez d'abord une ligne dans la grille.");
        return false;
    }
    DbTransaction transaction(m_dm.UnConnection_dossier());
    QString idBridge;
    ValeursEcritureCarte anciennes;
    if (!lireValeurs(AEcritureId, idBridge, anciennes)) {
        AMessage = QStringLiteral("Ecriture introuvable en base.");
        return false;
    }
    const QString ancienneDate = FrenchFormat::sqlDate(anciennes.dateEcriture);
    const QString nouvelleDate = FrenchFormat::sqlDate(ANouvelles.dateEcriture);
    EnregistrerCorrection(QStringLiteral("MODIFICATION"), AEcritureId, idBridge, ancienneDate,
                          nouvelleDate, anciennes.dateValeur, ANouvelles.dateValeur,
                          anciennes.libelleOriginal, ANouvelles.libelleOriginal,
                          anciennes.libelleQuelvo, ANouvelles.libelleQuelvo, anciennes.montant,
                          ANouvelles.montant);
    appliquerValeurs(AEcritureId, ANouvelles);
    transaction.commit();

    m_dm.LogOperation(QStringLiteral("CARTE_MODIFICATION"),
                      QStringLiteral("Ligne carte modifiee : ecriture_id=") + QString::number(AEcritureId)
                          + QStringLiteral(" ref=") + idBridge + QStringLiteral(" | avant : ")
                          + ancienneDate + QLatin1Char(' ') + anciennes.libelleQuelvo + QLatin1Char(' ')
                          + montant(anciennes.montant) + QStringLiteral(" | apres : ") + nouvelleDate
                          + QLatin1Char(' ') + ANouvelles.libelleQuelvo + QLatin1Char(' ')
                          + montant(ANouvelles.montant),
                      QStringLiteral("OK"), kSource);
    return true;
}

bool CardCorrections::SupprimerEcriture(qint64 AEcritureId, QString &AMessage)
{
    AMessage.clear();
    if (m_dm.user_courant_niveau < 9) {
        AMessage = QStringLiteral("La suppression des lignes de carte est reservee au niveau 9.");
        return false;
    }
    if (AEcritureId <= 0) {
        AMessage = QStringLiteral("Selectionnez d'abord une ligne dans la grille.");
        return false;
    }
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    DbTransaction transaction(db);
    QString idBridge;
    ValeursEcritureCarte valeurs;
    if (!lireValeurs(AEcritureId, idBridge, valeurs)) {
        AMessage = QStringLiteral("Ecriture introuvable en base.");
        return false;
    }
    const QString date = FrenchFormat::sqlDate(valeurs.dateEcriture);
    EnregistrerCorrection(QStringLiteral("SUPPRESSION"), AEcritureId, idBridge, date, date,
                          valeurs.dateValeur, valeurs.dateValeur, valeurs.libelleOriginal,
                          valeurs.libelleOriginal, valeurs.libelleQuelvo, valeurs.libelleQuelvo,
                          valeurs.montant, valeurs.montant);
    SqlQuery update(db, QStringLiteral("UPDATE T_ECRITURES SET supprimee = 1 WHERE ecriture_id = :id AND ")
                            + CardRule::sqlIsCard());
    update.bind(QStringLiteral(":id"), AEcritureId).exec();
    transaction.commit();

    m_dm.LogOperation(QStringLiteral("CARTE_SUPPRESSION"),
                      QStringLiteral("Ligne carte supprimee (logique) : ecriture_id=")
                          + QString::number(AEcritureId) + QStringLiteral(" ref=") + idBridge
                          + QStringLiteral(" du ") + date + QLatin1Char(' ') + valeurs.libelleQuelvo
                          + QStringLiteral(" montant ") + montant(valeurs.montant),
                      QStringLiteral("OK"), kSource);
    return true;
}

int CardCorrections::RestaurerCorrection(const QString &ACle, QString &AMessage)
{
    AMessage.clear();
    if (m_dm.user_courant_niveau < 9) {
        AMessage = QStringLiteral("La restauration est reservee au niveau 9.");
        return -1;
    }
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    DbTransaction transaction(db);
    CorrectionCarte correction;
    if (!LireCorrection(ACle, correction)) {
        AMessage = QStringLiteral("Correction introuvable.");
        return -1;
    }
    const int lignes = remettreValeursBancaires(ACle, correction);
    SqlQuery remove(db, QStringLiteral("DELETE FROM T_CORRECTIONS_CARTES WHERE id_bridge = :cle"));
    remove.bind(QStringLiteral(":cle"), ACle).exec();
    transaction.commit();

    m_dm.LogOperation(QStringLiteral("CARTE_RESTAURATION"),
                      QStringLiteral("Correction restauree (") + correction.action
                          + QStringLiteral(") : ref=") + ACle + QStringLiteral(" | valeurs d'origine : ")
                          + correction.ancienne_date_ecriture + QLatin1Char(' ')
                          + correction.ancien_libelle_quelvo + QLatin1Char(' ')
                          + montant(correction.ancien_montant)
                          + QStringLiteral(" | lignes mises a jour : ") + QString::number(lignes),
                      QStringLiteral("OK"), kSource);
    if (lignes == 0)
        AMessage = QStringLiteral("La correction a ete levee, mais l'ecriture n'a pas pu etre "
                                  "retrouvee en base.");
    else if (correction.action == QLatin1String("SUPPRESSION"))
        AMessage = QStringLiteral("Suppression annulee. La ligne reapparait dans les grilles et les "
                                  "exports.");
    else
        AMessage = QStringLiteral("Valeurs bancaires d'origine restaurees.");
    return lignes;
}

int CardCorrections::remettreValeursBancaires(const QString &ACle, const CorrectionCarte &ACorrection)
{
    // A local key names the line by its id; any other is the Bridge id of the line(s).
    const bool suppression = ACorrection.action == QLatin1String("SUPPRESSION");
    const bool locale = ACle.startsWith(QLatin1String("LOCAL-"), Qt::CaseInsensitive);
    const QString cible = (locale ? QStringLiteral(" WHERE ecriture_id = :cible AND ")
                                  : QStringLiteral(" WHERE id_bridge = :cible AND "))
        + CardRule::sqlIsCard();
    // A deletion may follow a modification: its row then holds the bank's values, which
    // would be lost with the row. Restoring a deletion therefore also puts them back (for
    // a plain deletion they equal the line's values).
    SqlQuery update(m_dm.UnConnection_dossier(),
                    QStringLiteral("UPDATE T_ECRITURES SET date_ecriture = :d, value_date = :v, "
                                   "provider_description = :po, description = :pq, amount = :m, "
                                   "amount_txt = :mt")
                        + (suppression ? QStringLiteral(", supprimee = 0") : QString()) + cible);
    update.bind(QStringLiteral(":cible"),
                locale ? QVariant(ACorrection.ecriture_id_origine) : QVariant(ACle));
    update.bind(QStringLiteral(":d"), dateOuNull(ACorrection.ancienne_date_ecriture))
        .bind(QStringLiteral(":v"), ACorrection.ancienne_date_valeur)
        .bind(QStringLiteral(":po"), ACorrection.ancien_libelle_original)
        .bind(QStringLiteral(":pq"), ACorrection.ancien_libelle_quelvo)
        .bind(QStringLiteral(":m"), ACorrection.ancien_montant)
        .bind(QStringLiteral(":mt"), FrenchFormat::amountPoint(ACorrection.ancien_montant));
    update.exec();
    return update.numRowsAffected();
}

std::vector<CorrectionCarte> CardCorrections::ListerCorrections()
{
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT ") + kColonnesCorrection
                       + QStringLiteral(" FROM T_CORRECTIONS_CARTES "
                                        "ORDER BY date_correction DESC, heure_correction DESC"));
    query.exec();
    std::vector<CorrectionCarte> corrections;
    while (query.next())
        corrections.push_back(lireLigneCorrection(query));
    return corrections;
}

bool CardCorrections::LireCorrection(const QString &ACle, CorrectionCarte &ACorrection)
{
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT ") + kColonnesCorrection
                       + QStringLiteral(" FROM T_CORRECTIONS_CARTES WHERE id_bridge = :cle"));
    query.bind(QStringLiteral(":cle"), ACle).exec();
    if (!query.next())
        return false;
    ACorrection = lireLigneCorrection(query);
    return true;
}
