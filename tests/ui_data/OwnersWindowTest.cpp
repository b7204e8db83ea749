#include "company/ui/FormBridgeProprietaires.h"

#include "bridge/BridgeTransport.h"
#include "company/BridgeProprietaires.h"
#include "company/CreationLienBridge.h"
#include "company/ui/LienBridgeVueFenetre.h"
#include "db/SqlQuery.h"
#include "support/BridgeSimFixture.h"
#include "support/SmtpRelay.h"
#include "ui/UiTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

namespace {

class OwnersWindowTest : public UiTest
{
protected:
    int proprietaire(const QString &nom, const QString &email)
    {
        Proprietaire saved;
        QString message;
        EXPECT_TRUE(BridgeProprietaires::SauverCourant(data(), {0, nom, email, {}, {}}, saved, message))
            << message.toStdString();
        return saved.ProprietaireId;
    }

    std::unique_ptr<TFormBridgeProprietaires> ouvrir(const QString &nom = {}, const QString &email = {})
    {
        auto w = std::make_unique<TFormBridgeProprietaires>(data(), nullptr);
        w->Init(nom, email);
        w->show();
        EXPECT_TRUE(waitFor([&] { return w->ouverte(); }));
        return w;
    }

    QLineEdit *edit(QWidget &w, const char *nom) { return w.findChild<QLineEdit *>(QString::fromLatin1(nom)); }
    void cliquer(QWidget &w, const char *nom) { w.findChild<QPushButton *>(QString::fromLatin1(nom))->click(); }
    int proprietaires() { return SqlQuery::scalar(data().UnConnection_dossier(), QStringLiteral("SELECT COUNT(*) FROM T_PROPRIETAIRES_COMPTES")).toInt(); }
};

} // namespace

TEST_F(OwnersWindowTest, ANewEntryWithAKnownAddressInAnotherCaseUpdatesThatOwner)
{
    loginAs(9);
    const int dupont = proprietaire(QStringLiteral("SARL Dupont"), QStringLiteral("compta@dupont.fr"));
    proprietaire(QStringLiteral("Martin SA"), QStringLiteral("martin@client.fr"));
    auto w = ouvrir();
    auto *grille = w->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    ASSERT_EQ(grille->rowCount(), 2);
    QStringList titres;
    for (int c = 0; c < grille->columnCount(); ++c)
        titres << grille->horizontalHeaderItem(c)->text() + QLatin1Char('/') + QString::number(grille->columnWidth(c));
    EXPECT_EQ(titres, (QStringList{QStringLiteral("ID/50"), QStringLiteral("Societe / client/220"), QStringLiteral("Email/220"),
                                   QStringLiteral("Telephone/110"), QStringLiteral("Observation/220")}));
    EXPECT_EQ(grille->item(0, 1)->text(), QStringLiteral("Martin SA")) << "ordered by name";
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Proprietaire du compte bancaire"));
    EXPECT_TRUE(clippedTexts(w.get()).isEmpty()) << clippedTexts(w.get()).join(QLatin1Char(',')).toStdString();
    saveScreenshot(w.get(), QStringLiteral("proprietaires"));

    cliquer(*w, "BtnNouveau");
    edit(*w, "EditNom")->setText(QStringLiteral(" Dupont et Fils "));
    edit(*w, "EditEmail")->setText(QStringLiteral("COMPTA@Dupont.FR"));
    edit(*w, "EditTelephone")->setText(QStringLiteral("01 02 03 04 05"));
    cliquer(*w, "BtnEnregistrer");
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Proprietaire du compte bancaire enregistre.")});
    EXPECT_EQ(proprietaires(), 2) << "no second owner for the same address";
    EXPECT_EQ(w->selection().ProprietaireId, dupont);
    EXPECT_EQ(w->idCourant(), dupont);
    EXPECT_EQ(SqlQuery::scalar(data().UnConnection_dossier(),
                               QStringLiteral("SELECT nom || '|' || telephone FROM T_PROPRIETAIRES_COMPTES WHERE proprietaire_id = ")
                                   + QString::number(dupont))
                  .toString(),
              QStringLiteral("Dupont et Fils|01 02 03 04 05"));
    EXPECT_EQ(grille->item(grille->currentRow(), 1)->text(), QStringLiteral("Dupont et Fils")) << "the list moved to it";
}

TEST_F(OwnersWindowTest, SelectWithEmptyFieldsTakesTheHighlightedRow)
{
    loginAs(9);
    proprietaire(QStringLiteral("Alpha"), QStringLiteral("alpha@client.fr"));
    const int zeta = proprietaire(QStringLiteral("Zeta"), QStringLiteral("zeta@client.fr"));
    Proprietaire choisi;
    whenModalShown(QStringLiteral("TFormBridgeProprietaires"), [&](QWidget *d) {
        auto *w = qobject_cast<TFormBridgeProprietaires *>(d);
        waitFor([w] { return w->ouverte(); });
        EXPECT_TRUE(edit(*w, "EditNom")->text().isEmpty());
        w->findChild<QTableWidget *>(QStringLiteral("DBGrid1"))->setCurrentCell(1, 2);
        cliquer(*w, "BtnSelectionner");
    });
    EXPECT_TRUE(TFormBridgeProprietaires::SelectionnerProprietaire(nullptr, data(), {}, {}, choisi));
    EXPECT_EQ(choisi.ProprietaireId, zeta);
    EXPECT_EQ(choisi.Email, QStringLiteral("zeta@client.fr"));
    EXPECT_EQ(proprietaires(), 2);
}

TEST_F(OwnersWindowTest, OpensOnANewEntryFromTheAccountAndChecksItBeforeSaving)
{
    loginAs(9);
    const int existant = proprietaire(QStringLiteral("Ancien"), QStringLiteral("ancien@client.fr"));
    auto w = ouvrir(QStringLiteral("  SARL Neuve "), QStringLiteral(" neuve@client.fr "));
    EXPECT_EQ(edit(*w, "EditNom")->text(), QStringLiteral("SARL Neuve"));
    EXPECT_EQ(edit(*w, "EditEmail")->text(), QStringLiteral("neuve@client.fr"));
    EXPECT_EQ(w->idCourant(), 0);

    w->findChild<QTableWidget *>(QStringLiteral("DBGrid1"))->setCurrentCell(0, 1);
    w->DBGrid1DblClick();
    EXPECT_EQ(w->idCourant(), existant);
    EXPECT_EQ(edit(*w, "EditNom")->text(), QStringLiteral("Ancien"));
    cliquer(*w, "BtnNouveau");
    EXPECT_EQ(w->idCourant(), 0);

    const struct
    {
        const char *nom, *email, *message;
    } cas[] = {{"", "x@y.fr", "Le nom du client ou de la societe est obligatoire."},
               {"SARL Neuve", "sans-arobase", "Email obligatoire et valide."},
               {"SARL Neuve", "  ", "Email obligatoire et valide."}};
    for (const auto &c : cas) {
        edit(*w, "EditNom")->setText(QString::fromUtf8(c.nom));
        edit(*w, "EditEmail")->setText(QString::fromUtf8(c.email));
        cliquer(*w, "BtnSelectionner");
        EXPECT_EQ(dialogs.texts().constLast(), QString::fromUtf8(c.message));
        EXPECT_TRUE(w->isVisible());
    }
    EXPECT_EQ(proprietaires(), 1);
    cliquer(*w, "BtnAnnuler");
    EXPECT_EQ(w->result(), QDialog::Rejected);
}

namespace {

// The main window's action through the owners window, against the simulator and a
// real STARTTLS relay.
class LinkActionTest : public UiTest
{
public:
    static void SetUpTestSuite() { s_relay = std::make_unique<SmtpRelay>(); }
    static void TearDownTestSuite() { s_relay.reset(); }

protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(s_relay->running()) << s_relay->startError().toStdString();
        s_relay->clear();
        sim.configure(config());
        s_relay->configure(config());
        loginAs(9);
        data().utilisateur_token_soc = sim.externalUserId();
        SqlQuery::run(data().UnConnection_dossier(),
                      QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = 'Cabinet Bréhat', "
                                     "email = 'compta@cabinet-brehat.fr'"));
        token = BridgeTransport(data()).ObtenirTokenBridge({}, sim.externalUserId());
        memo1.setPlainText(QStringLiteral("ancienne trace"));
        memo2.setPlainText(QStringLiteral("ancien json"));
    }

    LienBridgeVueFenetre vue()
    {
        LienBridgeVueFenetre::Elements e;
        e.memo1 = &memo1;
        e.memo2 = &memo2;
        e.token = [this] { return token; };
        e.compte = [] {
            CompteSelectionne c;
            c.banque_contact_email = QStringLiteral("contact@duval.fr");
            c.client_raison_sociale = QStringLiteral("SARL Duval");
            return c;
        };
        e.suspendreInactivite = [this] { ++suspensions; };
        e.reprendreInactivite = [this] { --suspensions; };
        return LienBridgeVueFenetre(data(), std::move(e));
    }

    BridgeSimFixture sim{QStringLiteral("cards")};
    QPlainTextEdit memo1;
    QPlainTextEdit memo2;
    QString token;
    int suspensions = 0;
    static inline std::unique_ptr<SmtpRelay> s_relay;
};

} // namespace

TEST_F(LinkActionTest, TheChosenOwnerGetsTheLinkFoundUnderRedirectUrl)
{
    sim.setConnectLinkMember("redirect_url");
    whenModalShown(QStringLiteral("TFormBridgeProprietaires"), [](QWidget *d) {
        auto *w = qobject_cast<TFormBridgeProprietaires *>(d);
        waitFor([w] { return w->ouverte(); });
        EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("EditNom"))->text(), QStringLiteral("SARL Duval"));
        EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("EditEmail"))->text(), QStringLiteral("contact@duval.fr"));
        w->findChild<QPushButton *>(QStringLiteral("BtnSelectionner"))->click();
    });
    LienBridgeVueFenetre v = vue();
    EXPECT_EQ(CreationLienBridge::Button3Click(data(), v), CreationLienBridge::Resultat::Envoye);

    const auto sessions = sim.connectSessions();
    ASSERT_EQ(sessions.size(), 1u);
    const QString lien = QString::fromStdString(sessions.back().url);
    const QStringList traces = memo1.toPlainText().split(QLatin1Char('\n'));
    EXPECT_FALSE(traces.contains(QStringLiteral("ancienne trace"))) << "both panes emptied first";
    EXPECT_TRUE(traces.contains(QStringLiteral("Lien Bridge recupere : ") + lien)) << memo1.toPlainText().toStdString();
    EXPECT_TRUE(traces.contains(QStringLiteral("Lien Bridge envoye par mail a contact@duval.fr")));
    EXPECT_TRUE(memo2.toPlainText().contains(QStringLiteral("\"redirect_url\"")));
    EXPECT_EQ(suspensions, 0) << "the inactivity count is resumed";
    EXPECT_EQ(dialogs.texts().constLast(), QStringLiteral("Lien d'autorisation bancaire envoye a contact@duval.fr"));

    const auto mails = s_relay->messages();
    ASSERT_EQ(mails.size(), 1u);
    SqlQuery envoi(data().UnConnection_dossier(),
                   QStringLiteral("SELECT e.resultat, e.lien_bridge, p.nom FROM T_ENVOIS_LIENS_BRIDGE e "
                                  "JOIN T_PROPRIETAIRES_COMPTES p ON p.proprietaire_id = e.proprietaire_id"));
    envoi.exec();
    ASSERT_TRUE(envoi.next());
    EXPECT_EQ(envoi.text(0), QStringLiteral("OK"));
    EXPECT_EQ(envoi.text(1), lien);
    EXPECT_EQ(envoi.text(2), QStringLiteral("SARL Duval")) << "the owner was created from the account's values";
}

TEST_F(LinkActionTest, LevelEightIsRefusedBeforeAnything)
{
    data().user_courant_niveau = 8;
    LienBridgeVueFenetre v = vue();
    EXPECT_EQ(CreationLienBridge::Button3Click(data(), v), CreationLienBridge::Resultat::Refuse);
    EXPECT_EQ(logLines(data()).constFirst(),
              QStringLiteral("DROITS|Tentative d'ajout de compte bancaire refusee pour TESTEUR|REFUSE|Form2"));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Demande de compte bancaire reservee au niveau 9 (administrateur).")});
    EXPECT_EQ(memo1.toPlainText(), QStringLiteral("ancienne trace"));
    EXPECT_TRUE(sim.connectSessions().empty());
}
