#include "export/ExportTestBase.h"

#include "bridge/BridgeState.h"
#include "export/ExportSelection.h"
#include "export/ExportState.h"

#include <array>

namespace {

using EcrituresFixture::ecriture;

const QString kIbanA = QStringLiteral("FR7630004000031234567890143");
const QString kIbanB = QStringLiteral("FR7610107001011234567890129");

class ExportSelectionTest : public ExportTestBase
{
protected:
    int load(const QString &iban = {}, const QString &min = {}, const QString &max = {},
             bool withExported = false, const QString &filter = QStringLiteral("NOCARD"))
    {
        ExportSelection selection(dm());
        return selection.ChargerExportEnMemTable(iban, min, max, {}, withExported, filter);
    }
    const std::vector<ExportLine> &table() { return dm().exports().FDMemTableExport; }
    const std::vector<ExportDisplayLine> &display() { return dm().exports().KBMemTableExportFinal; }
    const std::vector<RecapCompteExport> &recap() { return dm().exports().kMemetablerecapcomptesexport; }

    QStringList loadedIds()
    {
        QStringList ids;
        for (const ExportLine &l : table())
            ids << l.id_bridge;
        return ids;
    }

    void addCard(const QString &id, const QString &type, const QString &bank)
    {
        auto e = ecriture(id, kIbanB, QStringLiteral("2024-01-15"), -10.0);
        e.account_type = type;
        e.bank_name = bank;
        addEcriture(e);
    }
};

TEST_F(ExportSelectionTest, AccountKindFilters)
{
    addEcriture(ecriture(QStringLiteral("courant"), kIbanA, QStringLiteral("2024-01-15"), -10.0));
    addCard(QStringLiteral("type-card"), QStringLiteral("Card"), QStringLiteral("Banque"));
    addCard(QStringLiteral("nom-carte"), QStringLiteral("checking"), QStringLiteral("Ma banque / carte"));

    struct Case
    {
        const char *filter;
        QStringList expected;
    };
    const std::array cases = {
        Case{"NOCARD", {QStringLiteral("courant")}},
        Case{" nocard ", {QStringLiteral("courant")}},
        Case{"CARD", {QStringLiteral("nom-carte"), QStringLiteral("type-card")}},
        Case{"card", {QStringLiteral("nom-carte"), QStringLiteral("type-card")}},
        Case{"ALL", {QStringLiteral("nom-carte"), QStringLiteral("type-card"), QStringLiteral("courant")}},
        Case{"", {QStringLiteral("nom-carte"), QStringLiteral("type-card"), QStringLiteral("courant")}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(load({}, {}, {}, false, QString::fromUtf8(c.filter)), c.expected.size()) << c.filter;
        QStringList ids = loadedIds();
        QStringList expected = c.expected;
        ids.sort();
        expected.sort();
        EXPECT_EQ(ids, expected) << c.filter;
    }
}

TEST_F(ExportSelectionTest, ExportStatusAndDeletedRows)
{
    addEcriture(ecriture(QStringLiteral("jamais"), kIbanA, QStringLiteral("2024-01-10"), -1.0));
    auto blank = ecriture(QStringLiteral("blancs"), kIbanA, QStringLiteral("2024-01-11"), -1.0);
    blank.date_export = QStringLiteral("  ");
    blank.user_export = QStringLiteral(" ");
    addEcriture(blank);
    auto userOnly = ecriture(QStringLiteral("user-seul"), kIbanA, QStringLiteral("2024-01-12"), -1.0);
    userOnly.user_export = QStringLiteral("ADMIN");
    addEcriture(userOnly);
    auto full = ecriture(QStringLiteral("exportee"), kIbanA, QStringLiteral("2024-01-13"), -1.0);
    full.date_export = QStringLiteral("2024-01-20");
    full.heure_export = QStringLiteral("10:00:00");
    full.user_export = QStringLiteral("ADMIN");
    addEcriture(full);
    const qint64 gone = addEcriture(ecriture(QStringLiteral("supprimee"), kIbanA,
                                             QStringLiteral("2024-01-14"), -1.0));
    SqlQuery::run(db(), QStringLiteral("UPDATE T_ECRITURES SET supprimee = 1 WHERE ecriture_id = ")
                            + QString::number(gone));

    EXPECT_EQ(load(), 2);
    EXPECT_EQ(loadedIds(), (QStringList{QStringLiteral("jamais"), QStringLiteral("blancs")}));
    for (const ExportLine &l : table())
        EXPECT_EQ(l.deja_exportee, 0);

    EXPECT_EQ(load({}, {}, {}, true), 4);
    EXPECT_EQ(loadedIds(), (QStringList{QStringLiteral("jamais"), QStringLiteral("blancs"),
                                        QStringLiteral("user-seul"), QStringLiteral("exportee")}));
    EXPECT_EQ(table()[2].deja_exportee, 1);
    EXPECT_EQ(table()[3].deja_exportee, 1);
}

TEST_F(ExportSelectionTest, IbanAndDateBounds)
{
    addEcriture(ecriture(QStringLiteral("a-31dec"), kIbanA, QStringLiteral("2023-12-31"), -1.0));
    addEcriture(ecriture(QStringLiteral("a-01jan"), kIbanA, QStringLiteral("2024-01-01"), -1.0));
    addEcriture(ecriture(QStringLiteral("a-31jan"), kIbanA, QStringLiteral("2024-01-31"), -1.0));
    addEcriture(ecriture(QStringLiteral("a-01feb"), kIbanA, QStringLiteral("2024-02-01"), -1.0));
    addEcriture(ecriture(QStringLiteral("b-15jan"), kIbanB, QStringLiteral("2024-01-15"), -1.0));

    EXPECT_EQ(load({}, QStringLiteral("01/01/2024"), QStringLiteral("31/01/2024")), 3);
    EXPECT_EQ(load(QStringLiteral(" ") + kIbanA + QStringLiteral(" "), QStringLiteral("1/1/2024"),
                   QStringLiteral(" 31/01/2024 ")),
              2);
    EXPECT_EQ(loadedIds(), (QStringList{QStringLiteral("a-01jan"), QStringLiteral("a-31jan")}));
    EXPECT_EQ(load(kIbanB), 1);
}

TEST_F(ExportSelectionTest, BadDateReturnsZeroAndKeepsTheDisplay)
{
    addEcriture(ecriture(QStringLiteral("a"), kIbanA, QStringLiteral("2024-01-10"), -1.0));
    ASSERT_EQ(load(), 1);

    for (const char *bad : {"31/02/2024", "2024-01-10", "hier"}) {
        EXPECT_EQ(load({}, QString::fromUtf8(bad)), 0) << bad;
        EXPECT_TRUE(table().empty());
        EXPECT_EQ(display().size(), 1u);
        EXPECT_EQ(recap().size(), 1u);
    }
    EXPECT_EQ(load({}, {}, QStringLiteral("32/01/2024")), 0);
    const QStringList info = logged(QStringLiteral("INFO"));
    EXPECT_TRUE(info.contains(QStringLiteral("ERREUR : date min invalide [31/02/2024]")));
    EXPECT_TRUE(info.contains(QStringLiteral("ERREUR : date max invalide [32/01/2024]")));
}

TEST_F(ExportSelectionTest, ValueDateForms)
{
    const QDate entry(2024, 1, 31);
    struct Case
    {
        const char *stored;
        const char *shown;
    };
    constexpr std::array cases = {
        Case{"", "31/01/2024"},
        Case{"05/03/2024", "05/03/2024"},
        Case{"5/3/2024", "05/03/2024"},
        Case{"2024-03-05", "05/03/2024"},
        Case{"2024-03-05T00:00:00", "05/03/2024"},
        Case{"2024-03", "31/01/2024"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExportSelection::DateValeurAffichee(QString::fromUtf8(c.stored), entry),
                  QString::fromUtf8(c.shown))
            << c.stored;
    EXPECT_EQ(ExportSelection::DateValeurAffichee(QString(), QDate()), QString());
}

TEST_F(ExportSelectionTest, EntryDateForms)
{
    struct Case
    {
        const char *stored;
        QDate read;
    };
    const std::array cases = {
        Case{"2024-01-10", QDate(2024, 1, 10)},
        Case{"2024-01-10 00:00:00", QDate(2024, 1, 10)},
        Case{"2024-02-30", QDate()},
        Case{"2024-0a-10", QDate()},
        Case{"", QDate()},
    };
    for (const Case &c : cases) {
        SqlQuery::run(db(), QStringLiteral("DELETE FROM T_ECRITURES"));
        addEcriture(ecriture(QStringLiteral("x"), kIbanA, QString::fromUtf8(c.stored), -1.0));
        ASSERT_EQ(load(), 1) << c.stored;
        EXPECT_EQ(table()[0].Date_ecriture, c.read) << c.stored;
    }
}

TEST_F(ExportSelectionTest, LineFields)
{
    auto debit = ecriture(QStringLiteral("tx-1"), kIbanA, QStringLiteral("2024-01-10"), -12.5,
                          QStringLiteral("Achat; carte;"));
    debit.provider_description = QStringLiteral("CB;MONOP");
    debit.value_date = QStringLiteral("2024-01-09");
    debit.account_id = QStringLiteral("9001");
    debit.updated_at = QStringLiteral("2024-01-11T07:00:00Z");
    debit.compte_id = 7;
    const qint64 id = addEcriture(debit);
    addEcriture(ecriture(QStringLiteral("tx-2"), kIbanA, QStringLiteral("2024-01-11"), 0.0));
    addEcriture(ecriture(QStringLiteral("tx-3"), kIbanA, QStringLiteral("2024-01-12"), 40.0));
    ASSERT_EQ(load(), 3);

    const ExportLine &l = table()[2]; // account 7 sorts after account 1
    EXPECT_EQ(l.ecriture_id, id);
    EXPECT_EQ(l.compte_id, 7);
    EXPECT_EQ(l.Date_ecriture, QDate(2024, 1, 10));
    EXPECT_EQ(l.date_valeur, QStringLiteral("09/01/2024"));
    EXPECT_EQ(l.description, QStringLiteral("Achat carte"));
    EXPECT_EQ(l.libelle_origine, QStringLiteral("CBMONOP"));
    ASSERT_TRUE(l.debit.has_value());
    EXPECT_DOUBLE_EQ(*l.debit, 12.5);
    EXPECT_FALSE(l.credit.has_value());
    EXPECT_EQ(l.reference, QStringLiteral("tx-1"));
    EXPECT_EQ(l.id_bridge, QStringLiteral("tx-1"));
    EXPECT_EQ(l.account_id, QStringLiteral("9001"));
    EXPECT_EQ(l.iban, kIbanA);
    EXPECT_EQ(l.type_compte, QStringLiteral("checking"));
    EXPECT_EQ(l.updated_at, QStringLiteral("2024-01-11T07:00:00Z"));

    EXPECT_EQ(table()[0].reference, QStringLiteral("tx-2"));
    EXPECT_FALSE(table()[0].debit.has_value());
    EXPECT_FALSE(table()[0].credit.has_value());
    EXPECT_FALSE(table()[1].debit.has_value());
    EXPECT_DOUBLE_EQ(table()[1].credit.value_or(0), 40.0);
}

TEST_F(ExportSelectionTest, DisplayCopyAndRecap)
{
    EcrituresFixture::Compte compte;
    compte.iban = kIbanA;
    compte.nom_banque = QStringLiteral("Provider 42");
    compte.client_raison_sociale = QStringLiteral("SARL Dupont");
    compte.observation = QStringLiteral("compte principal");
    compte.solde_initial = 100.0;
    EcrituresFixture::insertCompte(db(), compte);

    addEcriture(ecriture(QStringLiteral("a-1"), kIbanA, QStringLiteral("2024-01-05"), 50.0));
    auto late = ecriture(QStringLiteral("a-2"), kIbanA, QStringLiteral("2024-01-20"), -30.0);
    late.updated_at = QStringLiteral("2024-03-01T09:00:00Z");
    addEcriture(late);
    addEcriture(ecriture(QStringLiteral("a-3"), kIbanA, QStringLiteral("2024-01-20"), -0.0));
    addEcriture(ecriture(QStringLiteral("b-1"), kIbanB, QStringLiteral("2024-01-07"), -8.0));
    addEcriture(ecriture(QStringLiteral("sans-iban"), QString(), QStringLiteral("2024-01-08"), -2.0));

    dm().bridge().providers.push_back({42, QStringLiteral("BNP Paribas"), QStringLiteral("FR")});
    ExportSelection selection(dm());
    ASSERT_EQ(selection.ChargerExportEnMemTable({}, {}, {}, {}, false, QStringLiteral("NOCARD")), 5);

    QStringList order;
    for (const ExportDisplayLine &l : display())
        order << l.reference;
    EXPECT_EQ(order, (QStringList{QStringLiteral("a-3"), QStringLiteral("a-2"), QStringLiteral("a-1"),
                                  QStringLiteral("b-1"), QStringLiteral("sans-iban")}));
    EXPECT_EQ(table().front().reference, QStringLiteral("sans-iban")); // selection order

    ASSERT_EQ(recap().size(), 2u); // no row for the line without IBAN
    const RecapCompteExport &b = recap()[1];
    EXPECT_EQ(b.iban, kIbanB);
    EXPECT_TRUE(b.nom_banque.isEmpty()); // no account row
    EXPECT_DOUBLE_EQ(b.Solde_reconstitue_a_date_maxi, -8.0);
    const RecapCompteExport &a = recap()[0];
    EXPECT_EQ(a.iban, kIbanA);
    EXPECT_EQ(a.nom_banque, QStringLiteral("BNP Paribas"));
    EXPECT_EQ(a.type_compte, QStringLiteral("checking"));
    EXPECT_EQ(a.client_raison_sociale, QStringLiteral("SARL Dupont"));
    EXPECT_EQ(a.observation, QStringLiteral("compte principal"));
    EXPECT_EQ(a.Nbre_ecritures, 3);
    EXPECT_EQ(a.Date_mini, QDate(2024, 1, 5));
    EXPECT_EQ(a.Date_maxi, QDate(2024, 1, 20));
    EXPECT_EQ(a.updated_at, QStringLiteral("2024-03-01T09:00:00Z"));
    EXPECT_DOUBLE_EQ(a.TotalDebit, 30.0);
    EXPECT_DOUBLE_EQ(a.TotalCredit, 50.0);
    EXPECT_DOUBLE_EQ(a.Solde_reconstitue_a_date_maxi, 120.0);
}

TEST_F(ExportSelectionTest, LogLinesInOrder)
{
    addEcriture(ecriture(QStringLiteral("a"), kIbanA, QStringLiteral("2024-01-10"), -1.0));
    ExportSelection selection(dm());
    selection.ChargerExportEnMemTable(kIbanA, QStringLiteral("01/01/2024"), {},
                                      QStringLiteral("2024-01-01"), true, QStringLiteral("NOCARD"));
    const QStringList info = logged(QStringLiteral("INFO"));
    const QStringList expected = {
        QStringLiteral("Récap export : 1 compte(s)"),
        QStringLiteral("--- Chargement mémoire ---"),
        QStringLiteral("IBAN : ") + kIbanA,
        QStringLiteral("Date min : 01/01/2024"),
        QStringLiteral("Date max : (aucune)"),
        QStringLiteral("updated_at min : 2024-01-01"),
        QStringLiteral("Mode réexport niveau 9 : les écritures déjà exportées peuvent être incluses"),
        QStringLiteral("Chargées : 1 écritures"),
    };
    EXPECT_EQ(info.mid(info.size() - expected.size()), expected);
}

TEST_F(ExportSelectionTest, AccountChooser)
{
    EcrituresFixture::Compte a;
    a.iban = kIbanA;
    a.nom_banque = QStringLiteral("Provider 42");
    a.client_raison_sociale = QStringLiteral("SARL Dupont");
    EcrituresFixture::insertCompte(db(), a);
    EcrituresFixture::Compte b;
    b.iban = kIbanB;
    b.nom_banque = QStringLiteral("Banque Populaire");
    b.type_compte = QStringLiteral("savings");
    EcrituresFixture::insertCompte(db(), b);

    dm().bridge().providers.push_back({42, QStringLiteral("BNP Paribas"), QStringLiteral("FR")});
    ExportSelection selection(dm());
    std::vector<CompteChoix> list = {{QStringLiteral("ancien"), QStringLiteral("X")}};
    selection.ChargerComptesEnListe(list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].caption, QStringLiteral("-- Tous les comptes --"));
    EXPECT_TRUE(list[0].iban.isEmpty());
    EXPECT_EQ(list[1].caption, kIbanB + QStringLiteral("  [Banque Populaire]  (savings)"));
    EXPECT_EQ(list[2].caption, kIbanA + QStringLiteral("  [BNP Paribas / SARL Dupont]  (checking)"));
    EXPECT_EQ(list[2].iban, kIbanA);
}

} // namespace
