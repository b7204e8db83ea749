#include "export/ExportTestBase.h"

#include "cards/CardCorrections.h"
#include "export/ExportSelection.h"
#include "export/ExportState.h"

namespace {

using EcrituresFixture::champ;
using EcrituresFixture::ecriture;

const QString kCarte = QStringLiteral("FR7612345000019876543210987");

class CardCorrectionsTest : public ExportTestBase
{
protected:
    EcrituresFixture::Ecriture cardLine(const QString &id, double amount = -45.9)
    {
        auto e = ecriture(id, kCarte, QStringLiteral("2024-01-04"), amount, QStringLiteral("CB RESTO"));
        e.account_type = QStringLiteral("card");
        e.provider_description = QStringLiteral("CB RESTO 03/01 PARIS");
        e.value_date = QStringLiteral("2024-01-05");
        return e;
    }

    qint64 addCard(const QString &id, double amount = -45.9) { return addEcriture(cardLine(id, amount)); }

    ValeursEcritureCarte corrected(const QString &label, double amount)
    {
        ValeursEcritureCarte v;
        v.dateEcriture = QDate(2024, 1, 6);
        v.dateValeur = QString(); // "Date valeur" unchecked
        v.libelleOriginal = QStringLiteral("CB RESTO corrige");
        v.libelleQuelvo = label;
        v.montant = amount;
        return v;
    }

    CorrectionCarte correction(const QString &key)
    {
        CorrectionCarte c;
        EXPECT_TRUE(corrections().LireCorrection(key, c)) << key.toStdString();
        return c;
    }

    QString text(qint64 id, const char *column) { return champ(db(), id, QString::fromLatin1(column)).toString(); }

    int visibleCards()
    {
        ExportSelection selection(dm());
        return selection.ChargerExportEnMemTable({}, {}, {}, {}, true, QStringLiteral("CARD"));
    }

    CardCorrections corrections() { return CardCorrections(dm()); }
};

TEST_F(CardCorrectionsTest, CorrectionKey)
{
    EXPECT_EQ(CardCorrections::CleCorrection(QStringLiteral("  tx-9 "), 4), QStringLiteral("tx-9"));
    EXPECT_EQ(CardCorrections::CleCorrection(QStringLiteral("  "), 4), QStringLiteral("LOCAL-4"));
}

TEST_F(CardCorrectionsTest, ReadsCardTransactionsOnly)
{
    const qint64 card = addCard(QStringLiteral("cb-1"));
    auto checking = ecriture(QStringLiteral("cc-1"), QStringLiteral("FR76COURANT"), QStringLiteral("2024-01-04"), -3.0);
    const qint64 notCard = addEcriture(checking);
    auto byName = ecriture(QStringLiteral("cb-2"), QStringLiteral("FR76X"), QStringLiteral("2024-01-04"), -3.0);
    byName.bank_name = QStringLiteral("Banque / Carte");
    const qint64 cardByName = addEcriture(byName);

    QString idBridge;
    QDate date;
    QString valeur, original, quelvo;
    double montant = 1;
    ASSERT_TRUE(corrections().LireEcriture(card, idBridge, date, valeur, original, quelvo, montant));
    EXPECT_EQ(idBridge, QStringLiteral("cb-1"));
    EXPECT_EQ(date, QDate(2024, 1, 4));
    EXPECT_EQ(valeur, QStringLiteral("2024-01-05"));
    EXPECT_EQ(original, QStringLiteral("CB RESTO 03/01 PARIS"));
    EXPECT_EQ(quelvo, QStringLiteral("CB RESTO"));
    EXPECT_DOUBLE_EQ(montant, -45.9);
    EXPECT_TRUE(corrections().LireEcriture(cardByName, idBridge, date, valeur, original, quelvo, montant));
    EXPECT_FALSE(corrections().LireEcriture(notCard, idBridge, date, valeur, original, quelvo, montant));
    EXPECT_TRUE(idBridge.isEmpty());
    EXPECT_FALSE(corrections().LireEcriture(0, idBridge, date, valeur, original, quelvo, montant));

    QString message;
    EXPECT_FALSE(corrections().ModifierEcriture(notCard, corrected(QStringLiteral("X"), 1.0), message));
    EXPECT_EQ(message, QStringLiteral("Ecriture introuvable en base."));
    EXPECT_EQ(text(notCard, "description"), QStringLiteral("Achat"));
    EXPECT_FALSE(corrections().SupprimerEcriture(notCard, message));
    EXPECT_EQ(champ(db(), notCard, QStringLiteral("supprimee")).toInt(), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_CORRECTIONS_CARTES")), 0);
}

TEST_F(CardCorrectionsTest, ModifyTwiceKeepsTheBankValuesThenRestore)
{
    const qint64 id = addCard(QStringLiteral("cb-1"));
    QString message;
    ASSERT_TRUE(corrections().ModifierEcriture(id, corrected(QStringLiteral("Repas client"), -12.3), message));
    clock.advanceSecs(60);
    ASSERT_TRUE(corrections().ModifierEcriture(id, corrected(QStringLiteral("Repas équipe"), -20.0), message));

    EXPECT_EQ(text(id, "date_ecriture"), QStringLiteral("2024-01-06"));
    EXPECT_EQ(text(id, "value_date"), QString());
    EXPECT_EQ(text(id, "description"), QStringLiteral("Repas équipe"));
    EXPECT_EQ(text(id, "provider_description"), QStringLiteral("CB RESTO corrige"));
    EXPECT_DOUBLE_EQ(champ(db(), id, QStringLiteral("amount")).toDouble(), -20.0);
    EXPECT_EQ(text(id, "amount_txt"), QStringLiteral("-20.00"));

    const CorrectionCarte c = correction(QStringLiteral("cb-1"));
    EXPECT_EQ(c.action, QStringLiteral("MODIFICATION"));
    EXPECT_EQ(c.ecriture_id_origine, id);
    EXPECT_EQ(c.ancien_libelle_quelvo, QStringLiteral("CB RESTO"));
    EXPECT_EQ(c.ancien_libelle_original, QStringLiteral("CB RESTO 03/01 PARIS"));
    EXPECT_EQ(c.ancienne_date_ecriture, QStringLiteral("2024-01-04"));
    EXPECT_EQ(c.ancienne_date_valeur, QStringLiteral("2024-01-05"));
    EXPECT_DOUBLE_EQ(c.ancien_montant, -45.9);
    EXPECT_EQ(c.nouveau_libelle_quelvo, QStringLiteral("Repas équipe"));
    EXPECT_DOUBLE_EQ(c.nouveau_montant, -20.0);
    EXPECT_EQ(c.heure_correction, QStringLiteral("10:16:02"));
    EXPECT_EQ(c.user_correction, QStringLiteral("COMPTABLE"));
    EXPECT_EQ(logged(QStringLiteral("CARTE_MODIFICATION")).last(),
              QStringLiteral("Ligne carte modifiee : ecriture_id=") + QString::number(id)
                  + QStringLiteral(" ref=cb-1 | avant : 2024-01-06 Repas client -12,30 | apres : "
                                   "2024-01-06 Repas équipe -20,00"));

    EXPECT_EQ(corrections().RestaurerCorrection(QStringLiteral("cb-1"), message), 1);
    EXPECT_EQ(message, QStringLiteral("Valeurs bancaires d'origine restaurees."));
    EXPECT_EQ(text(id, "description"), QStringLiteral("CB RESTO"));
    EXPECT_EQ(text(id, "provider_description"), QStringLiteral("CB RESTO 03/01 PARIS"));
    EXPECT_EQ(text(id, "date_ecriture"), QStringLiteral("2024-01-04"));
    EXPECT_EQ(text(id, "value_date"), QStringLiteral("2024-01-05"));
    EXPECT_EQ(text(id, "amount_txt"), QStringLiteral("-45.90"));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_CORRECTIONS_CARTES")), 0);
    EXPECT_EQ(logged(QStringLiteral("CARTE_RESTAURATION")).last(),
              QStringLiteral("Correction restauree (MODIFICATION) : ref=cb-1 | valeurs d'origine : "
                             "2024-01-04 CB RESTO -45,90 | lignes mises a jour : 1"));
}

TEST_F(CardCorrectionsTest, ModifyThenDeleteThenRestore)
{
    const qint64 id = addCard(QStringLiteral("cb-1"));
    QString message;
    ASSERT_TRUE(corrections().ModifierEcriture(id, corrected(QStringLiteral("Repas client"), -12.3), message));
    ASSERT_TRUE(corrections().SupprimerEcriture(id, message));

    const CorrectionCarte c = correction(QStringLiteral("cb-1"));
    EXPECT_EQ(c.action, QStringLiteral("SUPPRESSION"));
    EXPECT_EQ(c.ancien_libelle_quelvo, QStringLiteral("CB RESTO"));
    EXPECT_DOUBLE_EQ(c.ancien_montant, -45.9);
    EXPECT_EQ(c.nouveau_libelle_quelvo, QStringLiteral("Repas client"));
    EXPECT_DOUBLE_EQ(c.nouveau_montant, -12.3);
    EXPECT_EQ(champ(db(), id, QStringLiteral("supprimee")).toInt(), 1);
    EXPECT_EQ(visibleCards(), 0);
    EXPECT_EQ(logged(QStringLiteral("CARTE_SUPPRESSION")).last(),
              QStringLiteral("Ligne carte supprimee (logique) : ecriture_id=") + QString::number(id)
                  + QStringLiteral(" ref=cb-1 du 2024-01-06 Repas client montant -12,30"));

    // A deleted line is still readable, so it can be restored.
    EXPECT_EQ(corrections().RestaurerCorrection(QStringLiteral("cb-1"), message), 1);
    EXPECT_EQ(message, QStringLiteral("Suppression annulee. La ligne reapparait dans les grilles et les exports."));
    EXPECT_EQ(champ(db(), id, QStringLiteral("supprimee")).toInt(), 0);
    EXPECT_EQ(visibleCards(), 1);
    // The deletion followed a modification: restoring it brings the bank's values back too,
    // since they are gone with the correction row.
    EXPECT_EQ(text(id, "description"), QStringLiteral("CB RESTO"));
    EXPECT_DOUBLE_EQ(champ(db(), id, QStringLiteral("amount")).toDouble(), -45.9);
}

TEST_F(CardCorrectionsTest, LocalKeyTargetsTheLineById)
{
    const qint64 first = addCard(QString());
    const qint64 second = addCard(QString());
    QString message;
    ASSERT_TRUE(corrections().ModifierEcriture(second, corrected(QStringLiteral("Local"), -1.0), message));
    const QString key = QStringLiteral("LOCAL-") + QString::number(second);
    EXPECT_EQ(correction(key).ecriture_id_origine, second);

    EXPECT_EQ(corrections().RestaurerCorrection(key, message), 1);
    EXPECT_EQ(text(second, "description"), QStringLiteral("CB RESTO"));
    EXPECT_EQ(text(first, "description"), QStringLiteral("CB RESTO"));
}

TEST_F(CardCorrectionsTest, RefusalsChangeNothing)
{
    const qint64 id = addCard(QStringLiteral("cb-1"));
    QString message;
    EXPECT_FALSE(corrections().ModifierEcriture(0, corrected(QStringLiteral("X"), 1.0), message));
    EXPECT_EQ(message, QStringLiteral("Selectionnez d'abord une ligne dans la grille."));
    EXPECT_EQ(corrections().RestaurerCorrection(QStringLiteral("inconnue"), message), -1);
    EXPECT_EQ(message, QStringLiteral("Correction introuvable."));

    dm().user_courant_niveau = 8;
    EXPECT_FALSE(corrections().ModifierEcriture(id, corrected(QStringLiteral("X"), 1.0), message));
    EXPECT_EQ(message, QStringLiteral("La correction des cartes est reservee au niveau 9."));
    EXPECT_FALSE(corrections().SupprimerEcriture(id, message));
    EXPECT_EQ(message, QStringLiteral("La suppression des lignes de carte est reservee au niveau 9."));
    EXPECT_EQ(corrections().RestaurerCorrection(QStringLiteral("cb-1"), message), -1);
    EXPECT_EQ(message, QStringLiteral("La restauration est reservee au niveau 9."));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_CORRECTIONS_CARTES")), 0);
    EXPECT_EQ(text(id, "description"), QStringLiteral("CB RESTO"));
}

TEST_F(CardCorrectionsTest, FailingUpdateRollsBackTheCorrectionRow)
{
    const qint64 id = addCard(QStringLiteral("cb-1"));
    SqlQuery::run(db(), QStringLiteral("CREATE TRIGGER panne BEFORE UPDATE ON T_ECRITURES "
                                       "BEGIN SELECT RAISE(ABORT, 'panne simulee'); END"));
    QString message;
    EXPECT_ANY_THROW(corrections().ModifierEcriture(id, corrected(QStringLiteral("X"), 1.0), message));
    EXPECT_ANY_THROW(corrections().SupprimerEcriture(id, message));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_CORRECTIONS_CARTES")), 0);
    EXPECT_TRUE(logged(QStringLiteral("CARTE_MODIFICATION")).isEmpty());
}

TEST_F(CardCorrectionsTest, CorrectionsSurviveANewImport)
{
    const qint64 modified = addCard(QStringLiteral("cb-mod"));
    const qint64 deleted = addCard(QStringLiteral("cb-del"));
    const qint64 local = addCard(QString());
    addCard(QStringLiteral("cb-sans"));
    QString message;
    ASSERT_TRUE(corrections().ModifierEcriture(modified, corrected(QStringLiteral("Repas client"), -12.3), message));
    ASSERT_TRUE(corrections().SupprimerEcriture(deleted, message));
    ASSERT_TRUE(corrections().ModifierEcriture(local, corrected(QStringLiteral("Local"), -1.0), message));

    // A synchronisation in RAZ mode empties the table and stores the bank's rows again.
    SqlQuery::run(db(), QStringLiteral("DELETE FROM T_ECRITURES"));
    const qint64 again = addCard(QStringLiteral("cb-mod"));
    EXPECT_EQ(addCard(QStringLiteral("cb-del")), 0); // skipped by the trigger
    const qint64 localAgain = addCard(QString());
    addCard(QStringLiteral("cb-sans"));

    EXPECT_EQ(text(again, "description"), QStringLiteral("Repas client"));
    EXPECT_EQ(text(again, "date_ecriture"), QStringLiteral("2024-01-06"));
    EXPECT_DOUBLE_EQ(champ(db(), again, QStringLiteral("amount")).toDouble(), -12.3);
    EXPECT_EQ(text(again, "amount_txt"), QStringLiteral("-12.30"));
    EXPECT_EQ(text(localAgain, "description"), QStringLiteral("CB RESTO")); // LOCAL- keys never match
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE id_bridge = 'cb-del'")), 0);
    EXPECT_EQ(visibleCards(), 3);

    // The deleted line is gone: restoring lifts the correction and says so.
    EXPECT_EQ(corrections().RestaurerCorrection(QStringLiteral("cb-del"), message), 0);
    EXPECT_EQ(message, QStringLiteral("La correction a ete levee, mais l'ecriture n'a pas pu etre "
                                      "retrouvee en base."));
    EXPECT_NE(addCard(QStringLiteral("cb-del")), 0); // the next import brings it back
}

TEST_F(CardCorrectionsTest, ListNewestFirst)
{
    const qint64 a = addCard(QStringLiteral("cb-a"));
    const qint64 b = addCard(QStringLiteral("cb-b"));
    QString message;
    ASSERT_TRUE(corrections().SupprimerEcriture(a, message));
    clock.advanceSecs(5);
    ASSERT_TRUE(corrections().ModifierEcriture(b, corrected(QStringLiteral("B"), -2.0), message));
    const std::vector<CorrectionCarte> list = corrections().ListerCorrections();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id_bridge, QStringLiteral("cb-b"));
    EXPECT_EQ(list[1].id_bridge, QStringLiteral("cb-a"));
    EXPECT_EQ(list[1].action, QStringLiteral("SUPPRESSION"));
}

} // namespace
