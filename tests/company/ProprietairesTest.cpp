#include "company/BridgeProprietaires.h"

#include "company/QStringPrinter.h"
#include "db/SqlQuery.h"
#include "support/TempHome.h"

using namespace Qt::StringLiterals;

namespace {

Proprietaire saisie(const QString &nom, const QString &email, int id = 0)
{
    return {id, nom, email, u" 02 99 00 00 00 "_s, u" client historique "_s};
}

} // namespace

class ProprietairesTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        clockOverride = &clock;
        dm();
    }
    int rows(const QString &table)
    {
        return SqlQuery::scalar(dm().UnConnection_dossier(), u"SELECT COUNT(*) FROM "_s + table).toInt();
    }
    ManualClock clock;
};

TEST_F(ProprietairesTest, NewOwnerIsSavedTrimmedAndSelected)
{
    Proprietaire choisi;
    QString message;
    ASSERT_TRUE(BridgeProprietaires::SauverCourant(dm(), saisie(u" SARL Duval "_s, u" contact@duval.fr "_s), choisi,
                                                   message))
        << message.toStdString();
    EXPECT_GT(choisi.ProprietaireId, 0);
    EXPECT_EQ(choisi.Nom, u"SARL Duval"_s);
    EXPECT_EQ(choisi.Email, u"contact@duval.fr"_s);
    EXPECT_EQ(choisi.Telephone, u"02 99 00 00 00"_s);
    EXPECT_EQ(choisi.Observation, u"client historique"_s);

    const std::vector<Proprietaire> liste = BridgeProprietaires::ChargerListe(dm());
    ASSERT_EQ(liste.size(), 1u);
    EXPECT_EQ(liste[0].ProprietaireId, choisi.ProprietaireId);
    EXPECT_EQ(liste[0].Email, u"contact@duval.fr"_s);
    EXPECT_EQ(SqlQuery::scalar(dm().UnConnection_dossier(), u"SELECT user_creation || ' ' || date_creation || ' ' || "
                                                            "heure_creation FROM T_PROPRIETAIRES_COMPTES"_s)
                  .toString(),
              u"SYSTEM 2026-03-15 10:00:00"_s);
}

TEST_F(ProprietairesTest, KnownAddressInAnotherCaseUpdatesThatOwner)
{
    Proprietaire premier;
    QString message;
    ASSERT_TRUE(BridgeProprietaires::SauverCourant(dm(), saisie(u"SARL Duval"_s, u"contact@duval.fr"_s), premier, message));
    Proprietaire second;
    ASSERT_TRUE(BridgeProprietaires::SauverCourant(dm(), saisie(u"Duval et fils"_s, u"Contact@DUVAL.fr"_s), second,
                                                   message))
        << message.toStdString();
    EXPECT_EQ(second.ProprietaireId, premier.ProprietaireId);
    EXPECT_EQ(rows(u"T_PROPRIETAIRES_COMPTES"_s), 1);
    const std::vector<Proprietaire> liste = BridgeProprietaires::ChargerListe(dm());
    ASSERT_EQ(liste.size(), 1u);
    EXPECT_EQ(liste[0].Nom, u"Duval et fils"_s);
    EXPECT_EQ(liste[0].Email, u"Contact@DUVAL.fr"_s);
}

TEST_F(ProprietairesTest, AnotherOwnersAddressIsRefusedInAnyCase)
{
    Proprietaire duval;
    Proprietaire martin;
    QString message;
    ASSERT_TRUE(BridgeProprietaires::SauverCourant(dm(), saisie(u"Duval"_s, u"contact@duval.fr"_s), duval, message));
    ASSERT_TRUE(BridgeProprietaires::SauverCourant(dm(), saisie(u"Martin"_s, u"martin@client.fr"_s), martin, message));
    for (const QString &email : {u"contact@duval.fr"_s, u"CONTACT@duval.fr"_s}) {
        Proprietaire ignore;
        EXPECT_FALSE(BridgeProprietaires::SauverCourant(dm(), saisie(u"Martin"_s, email, martin.ProprietaireId), ignore,
                                                        message));
        EXPECT_EQ(message, u"Cet email est deja celui d'un autre proprietaire."_s);
    }
    EXPECT_EQ(BridgeProprietaires::ChargerListe(dm())[1].Email, u"martin@client.fr"_s);
}

TEST_F(ProprietairesTest, NameAndAddressAreRequired)
{
    const std::vector<std::pair<Proprietaire, QString>> cases = {
        {saisie(u"  "_s, u"a@b.fr"_s), u"Le nom du client ou de la societe est obligatoire."_s},
        {saisie(u"Duval"_s, u" "_s), u"Email obligatoire et valide."_s},
        {saisie(u"Duval"_s, u"duval.fr"_s), u"Email obligatoire et valide."_s},
    };
    for (const auto &[owner, expected] : cases) {
        Proprietaire choisi;
        QString message;
        EXPECT_FALSE(BridgeProprietaires::SauverCourant(dm(), owner, choisi, message));
        EXPECT_EQ(message, expected);
    }
    EXPECT_EQ(rows(u"T_PROPRIETAIRES_COMPTES"_s), 0);
}

TEST_F(ProprietairesTest, TablesAreCreatedOnADatabaseWithoutThem)
{
    SqlQuery::run(dm().UnConnection_dossier(), u"DROP TABLE T_PROPRIETAIRES_COMPTES"_s);
    SqlQuery::run(dm().UnConnection_dossier(), u"DROP TABLE T_ENVOIS_LIENS_BRIDGE"_s);
    BridgeProprietaires::JournaliserLien(dm(), 3, u"Duval"_s, u"a@b.fr"_s, u"https://lien"_s, u"{}"_s, u"OK"_s, u"M"_s);
    EXPECT_EQ(SqlQuery::scalar(dm().UnConnection_dossier(),
                               u"SELECT proprietaire_id || '|' || lien_bridge || '|' || date_envoi || '|' || heure_envoi "
                               "|| '|' || resultat FROM T_ENVOIS_LIENS_BRIDGE"_s)
                  .toString(),
              u"3|https://lien|2026-03-15|10:00:00|OK"_s);
    EXPECT_EQ(SqlQuery::scalar(dm().UnConnection_dossier(), u"SELECT COUNT(*) FROM sqlite_master WHERE name IN "
                                                            "('idx_proprietaires_email', 'idx_envois_bridge_email')"_s)
                  .toInt(),
              2);
    EXPECT_TRUE(BridgeProprietaires::ChargerListe(dm()).empty());
}
