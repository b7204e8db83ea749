#include "cards/ui/FormCartesBancairesModal.h"

#include "app/GlobalLock.h"
#include "cards/ui/FormCorrectionsCartesModal.h"
#include "cards/ui/FormExportComptableCartesOptions.h"
#include "export/ui/PiedDeGrille.h"
#include "ui_data/DataWindowTest.h"

#include <QDateEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QString kCarte = QStringLiteral("FR76CARTE0001");
const QString kCarte2 = QStringLiteral("FR76CARTE0002");
const QString kCompte = QStringLiteral("FR7630004000031234567890143");

// Two card accounts (the second one a card by its bank name only) and a current
// account; one card line already exported.
class CardsWindowTest : public DataWindowTest
{
protected:
    void cartes()
    {
        carte = compte(kCarte, QStringLiteral("card"), QStringLiteral("Banque Alpha"), QStringLiteral("Jean Martin"));
        const qint64 carte2 = compte(kCarte2, QStringLiteral("checking"), QStringLiteral("Banque Alpha / CARTE"));
        const qint64 courant = compte(kCompte, QStringLiteral("checking"), QStringLiteral("Banque Alpha"));
        const auto ligne = [this](const QString &id, const QString &date, double montant, const QString &libelle,
                                  bool exportee = false) {
            return ecriture(carte, kCarte, id, date, montant, libelle, exportee, QStringLiteral("card"),
                            QStringLiteral("Banque Alpha"));
        };
        k1 = ligne(QStringLiteral("k1"), QStringLiteral("2024-01-10"), -45.9, QStringLiteral("Restaurant"));
        k2 = ligne(QStringLiteral("k2"), QStringLiteral("2024-01-11"), 30, QStringLiteral("Remboursement"));
        k3 = ligne(QStringLiteral("k3"), QStringLiteral("2024-01-05"), -12.5, QStringLiteral("Peage"), true);
        k4 = ligne(QStringLiteral("k4"), QStringLiteral("2024-01-12"), -10, QStringLiteral("Achat essence"));
        ecriture(carte2, kCarte2, QStringLiteral("k5"), QStringLiteral("2024-01-15"), -20, QStringLiteral("Librairie"), false,
                 QStringLiteral("checking"), QStringLiteral("Banque Alpha / CARTE"));
        ecriture(courant, kCompte, QStringLiteral("a1"), QStringLiteral("2024-01-15"), -99, QStringLiteral("Loyer"));
    }

    std::unique_ptr<FenetreEcritures> ouvrirCartes(const QString &iban = {})
    {
        return ouvrir(TFormCartesBancairesModal::Genre(), iban);
    }

    void repertoire(FenetreEcritures &w) { widget<QLineEdit>(w, QStringLiteral("EditRepertoire"))->setText(outDir()); }

    QString correction(const QString &cle, const QString &colonne)
    {
        return SqlQuery::scalar(db(), QStringLiteral("SELECT ") + colonne
                                          + QStringLiteral(" FROM T_CORRECTIONS_CARTES WHERE id_bridge = '") + cle
                                          + QStringLiteral("'"))
            .toString();
    }

    // Drives the edit dialog opened by `ouvrirDialogue`: `remplir` fills it, then it is saved.
    void modifier(FenetreEcritures &w, qint64 id, const std::function<void(QWidget *)> &remplir)
    {
        w.selectionnerEcriture(id);
        ASSERT_EQ(w.EcritureIdCourante(), id);
        whenModalShown(QStringLiteral("TFormModifierCarteModal"), [&](QWidget *d) {
            remplir(d);
            d->findChild<QPushButton *>(QStringLiteral("BtnEnregistrer"))->click();
            if (d->isVisible())
                d->findChild<QPushButton *>(QStringLiteral("BtnAnnuler"))->click();
        });
        cliquer(w, QStringLiteral("BtnModifier"));
    }

    qint64 carte = 0, k1 = 0, k2 = 0, k3 = 0, k4 = 0;
};

void saisir(QWidget *d, const char *nom, const QString &texte)
{
    d->findChild<QLineEdit *>(QString::fromLatin1(nom))->setText(texte);
}

} // namespace

TEST_F(CardsWindowTest, AnIbanThatIsNoCardKeepsAllCardsAndLoadsTheirWholeHistory)
{
    loginAs(9);
    cartes();
    auto w = ouvrirCartes(kCompte);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Cartes bancaires"));
    auto *choix = widget<QComboBox>(*w, QStringLiteral("cbCarte"));
    ASSERT_EQ(choix->count(), 3);
    EXPECT_EQ(choix->currentIndex(), 0);
    EXPECT_EQ(choix->itemText(0), QStringLiteral("-- Toutes les cartes --"));
    EXPECT_EQ(choix->itemText(1), kCarte + QStringLiteral("  [Banque Alpha / Jean Martin]"));
    EXPECT_EQ(choix->itemText(2), kCarte2 + QStringLiteral("  [Banque Alpha / CARTE]"));
    EXPECT_EQ(page(*w), QStringLiteral("tsResultat"));
    EXPECT_EQ(lignes(*w), 5) << "every card line, exported ones included, and no other";
    EXPECT_EQ(widget<QLabel>(*w, QStringLiteral("LabelAvertissement"))->text(),
              QStringLiteral("Historique complet : 4 a exporter, 1 deja exportee(s)."));
    EXPECT_EQ(w->detail()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(w->detail()->isColumnHidden(12)) << "ecriture_id";
    EXPECT_TRUE(widget(*w, QStringLiteral("BtnModifier"))->isEnabled());
    EXPECT_TRUE(widget(*w, QStringLiteral("BtnSupprimer"))->isEnabled());
    w->resize(w->minimumSize());
    EXPECT_TRUE(clippedTexts(w.get()).isEmpty()) << "at the smallest size: " << clippedTexts(w.get()).join(QLatin1Char(',')).toStdString();
    w->resize(1280, 760);
    saveScreenshot(w.get(), QStringLiteral("cartes-resultat"));

    cliquer(*w, QStringLiteral("BtnNouvelleSelection"));
    EXPECT_FALSE(widget<QCheckBox>(*w, QStringLiteral("chkReexport"))->isHidden());
    saveScreenshot(w.get(), QStringLiteral("cartes-selection"));
    EXPECT_TRUE(clippedTexts(w.get()).isEmpty()) << clippedTexts(w.get()).join(QLatin1Char(',')).toStdString();
    cliquer(*w, QStringLiteral("BtnGo"));
    EXPECT_EQ(lignes(*w), 4) << "out of full history: never-exported lines only";
}

TEST_F(CardsWindowTest, LevelSevenExportsNeverExportedLinesOnlyEvenInFullHistory)
{
    loginAs(7);
    cartes();
    auto w = ouvrirCartes(kCarte);
    EXPECT_TRUE(widget<QCheckBox>(*w, QStringLiteral("chkReexport"))->isHidden());
    EXPECT_FALSE(widget(*w, QStringLiteral("BtnModifier"))->isEnabled());
    EXPECT_FALSE(widget(*w, QStringLiteral("BtnSupprimer"))->isEnabled());
    EXPECT_EQ(lignes(*w), 4) << "the grid shows the exported line too";
    repertoire(*w);
    cliquer(*w, QStringLiteral("BtnExportCSV"));

    const QStringList csv = fichiers(QStringLiteral("export_*.csv"));
    ASSERT_EQ(csv.size(), 1);
    const QStringList contenu = lignesFichier(csv.constFirst());
    EXPECT_EQ(contenu.size(), 1 + 3);
    EXPECT_FALSE(contenu.join(QLatin1Char('\n')).contains(QStringLiteral("Peage")));
    EXPECT_EQ(dialogs.texts().constLast(), QStringLiteral("3 ecriture(s) exportee(s) en CSV.\r\n") + outDir());
    EXPECT_EQ(SqlQuery::scalar(db(), QStringLiteral("SELECT type_export FROM T_EXPORTS")).toString(), QStringLiteral("EXPORT"));
    EXPECT_EQ(journal(QStringLiteral("EXPORT_CARTES")),
              (QStringList{QStringLiteral("EXPORT_CARTES|Debut export CSV cartes. Compte=") + kCarte
                               + QStringLiteral(" Mode=EXPORT Repertoire=") + outDir()
                               + QStringLiteral(" Utilisateur=TESTEUR|DEBUT|Cartes"),
                           QStringLiteral("EXPORT_CARTES|Export CSV cartes termine : 3 ecriture(s)|OK|Cartes")}));
    EXPECT_EQ(colonne(*w, QStringLiteral("Statut")), QStringList(4, QStringLiteral("Deja exportee")))
        << "still in full history after the reload";
}

TEST_F(CardsWindowTest, TypedFiltersReadBothSeparatorsAndCompareTheLargerAmount)
{
    loginAs(9);
    cartes();
    auto w = ouvrirCartes(kCarte);
    auto *libelle = widget<QLineEdit>(*w, QStringLiteral("EditFiltreLibelle"));
    auto *mini = widget<QLineEdit>(*w, QStringLiteral("EditFiltreMontantMini"));
    auto *maxi = widget<QLineEdit>(*w, QStringLiteral("EditFiltreMontantMaxi"));
    const struct
    {
        const char *libelle, *mini, *maxi;
        QStringList references;
    } cas[] = {
        {"", "12,5", "", {QStringLiteral("k2"), QStringLiteral("k1"), QStringLiteral("k3")}},
        {"", "12.5", "", {QStringLiteral("k2"), QStringLiteral("k1"), QStringLiteral("k3")}},
        {"", "-12.5", "", {QStringLiteral("k2"), QStringLiteral("k1"), QStringLiteral("k3")}},
        {"", "abc", "", {}},
        {"", "", "abc", {}},
        {"", "30", "30", {QStringLiteral("k2")}},
        {"", "", "12,5", {QStringLiteral("k4"), QStringLiteral("k3")}},
        {"ESSENCE", "", "", {QStringLiteral("k4")}},
        {"origine", "40", "", {QStringLiteral("k1")}},
    };
    for (const auto &c : cas) {
        libelle->setText(QString::fromUtf8(c.libelle));
        mini->setText(QString::fromUtf8(c.mini));
        maxi->setText(QString::fromUtf8(c.maxi));
        EXPECT_EQ(colonne(*w, QStringLiteral("Reference")), c.references) << c.libelle << " " << c.mini << " " << c.maxi;
    }
    mini->setText(QStringLiteral("30"));
    maxi->setText(QStringLiteral("30"));
    libelle->clear();
    EXPECT_EQ(w->piedDetail()->texte(8), QStringLiteral("30,00")) << "footer sums the lines shown";
    EXPECT_EQ(w->piedDetail()->texte(7), QStringLiteral("0,00"));
    cliquer(*w, QStringLiteral("BtnEffacerFiltres"));
    EXPECT_EQ(lignes(*w), 4);
    EXPECT_TRUE(mini->text().isEmpty() && maxi->text().isEmpty() && libelle->text().isEmpty());
}

TEST_F(CardsWindowTest, OptionsDialogChecksTheJournalAndTheCardAccount)
{
    loginAs(9);
    const struct
    {
        const char *journal, *compte, *message;
    } cas[] = {
        {"ba", "511", nullptr},
        {" ba ", "58", nullptr},
        {"BQ_CB-1", "5110", nullptr},
        {"BANQUE-CB_01", "511", "Le code journal est obligatoire (1 a 10 lettres, chiffres, - ou _)."},
        {"AC HAT", "511", "Le code journal est obligatoire (1 a 10 lettres, chiffres, - ou _)."},
        {"", "511", "Le code journal est obligatoire (1 a 10 lettres, chiffres, - ou _)."},
        {"BA", "512000", "Le compte carte / caisse est obligatoire, numerique et doit commencer par 511 ou 58."},
        {"BA", "511A", "Le compte carte / caisse est obligatoire, numerique et doit commencer par 511 ou 58."},
        {"BA", "511000000000000000000", "Le compte carte / caisse est obligatoire, numerique et doit commencer par 511 ou 58."},
        {"BA", "5", "Le compte carte / caisse est obligatoire, numerique et doit commencer par 511 ou 58."},
    };
    for (const auto &c : cas) {
        TFormExportComptableCartesOptions dialogue(data(), nullptr);
        dialogue.show();
        QLineEdit *journal = dialogue.findChild<QLineEdit *>(QStringLiteral("FEditJournal"));
        typeText(journal, QString::fromUtf8(c.journal));
        dialogue.findChild<QLineEdit *>(QStringLiteral("FEditCompte511"))->setText(QString::fromUtf8(c.compte));
        const size_t avant = dialogs.shown().size();
        dialogue.findChild<QPushButton *>(QStringLiteral("BtnExporter"))->click();
        if (c.message) {
            ASSERT_EQ(dialogs.shown().size(), avant + 1) << c.journal << " " << c.compte;
            EXPECT_EQ(dernierMessage(), QString::fromUtf8(c.message));
            EXPECT_TRUE(dialogue.isVisible()) << "the dialog stays open";
        } else {
            EXPECT_EQ(dialogs.shown().size(), avant) << c.journal << " " << c.compte;
            EXPECT_EQ(dialogue.result(), QDialog::Accepted);
            EXPECT_EQ(dialogue.codeJournal(), QString::fromUtf8(c.journal).trimmed().toUpper());
            EXPECT_EQ(journal->text().trimmed(), QString::fromUtf8(c.journal).trimmed().toUpper()) << "typed in upper case";
        }
    }
    TFormExportComptableCartesOptions dialogue(data(), nullptr);
    dialogue.show();
    EXPECT_EQ(dialogue.size(), QSize(620, 260));
    EXPECT_TRUE(clippedTexts(&dialogue).isEmpty()) << clippedTexts(&dialogue).join(QLatin1Char(',')).toStdString();
    saveScreenshot(&dialogue, QStringLiteral("cartes-options-compta"));
}

TEST_F(CardsWindowTest, AccountingExportThroughTheOptionsThenACancelledOne)
{
    loginAs(9);
    cartes();
    auto w = ouvrirCartes(kCarte);
    repertoire(*w);
    whenModalShown(QStringLiteral("TFormExportComptableCartesOptions"), [](QWidget *d) {
        saisir(d, "FEditJournal", QStringLiteral("ba"));
        saisir(d, "FEditCompte511", QStringLiteral("512000"));
        d->findChild<QPushButton *>(QStringLiteral("BtnExporter"))->click();
        saisir(d, "FEditCompte511", QStringLiteral("58"));
        d->findChild<QPushButton *>(QStringLiteral("BtnExporter"))->click();
    });
    cliquer(*w, QStringLiteral("BtnExportComptable"));

    const QString nom = QStringLiteral("cartes_comptables_") + kCarte + QStringLiteral("_C") + QString::number(carte)
        + QStringLiteral("_20240205_101502.csv");
    ASSERT_EQ(fichiers(QStringLiteral("cartes_comptables_*.csv")), QStringList{nom});
    EXPECT_EQ(lignesFichier(nom).size(), 1 + 6) << "two entry lines for each never-exported transaction";
    EXPECT_TRUE(lignesFichier(nom).at(1).startsWith(QStringLiteral("\"10/01/2024\";\"BA\";\"4711100\";")));
    EXPECT_EQ(dialogs.texts().constLast(), QStringLiteral("3 ecriture(s) exportee(s) en 6 lignes comptables.\r\n1 fichier(s) cree(s) "
                                                          "dans :\r\n")
                                               + outDir());
    const QStringList logs = journal(QStringLiteral("EXPORT_CARTES_COMPTABLE"));
    ASSERT_EQ(logs.size(), 3);
    EXPECT_EQ(logs[0], QStringLiteral("EXPORT_CARTES_COMPTABLE|Debut export comptable cartes. Journal=BA Compte=58 "
                                      "Contrepartie=4711100 Mode=EXPORT Repertoire=")
                           + outDir() + QStringLiteral(" Utilisateur=TESTEUR|DEBUT|Cartes"));
    EXPECT_EQ(logs[2], QStringLiteral("EXPORT_CARTES_COMPTABLE|Export comptable termine : 3 ecriture(s), 6 ligne(s) "
                                      "comptable(s), 1 fichier(s)|OK|Cartes"));
    EXPECT_EQ(champ(k1, QStringLiteral("format_dernier_export")).toString(), QStringLiteral("CSV-COMPTA-CB"));

    whenModalShown(QStringLiteral("TFormExportComptableCartesOptions"),
                   [](QWidget *d) { d->findChild<QPushButton *>(QStringLiteral("BtnAnnuler"))->click(); });
    cliquer(*w, QStringLiteral("BtnExportComptable"));
    EXPECT_EQ(journal(QStringLiteral("EXPORT_CARTES_COMPTABLE")).constLast(),
              QStringLiteral("EXPORT_CARTES_COMPTABLE|Export comptable annule dans la boite d'options|ANNULE|Cartes"));
    EXPECT_EQ(fichiers(QStringLiteral("cartes_comptables_*.csv")).size(), 1);
}

TEST_F(CardsWindowTest, AccountingExportRefusesWhileTheLockIsHeld)
{
    loginAs(9);
    cartes();
    auto w = ouvrirCartes(kCarte);
    repertoire(*w);
    GlobalLock autre(GlobalLock::cheminPour(data().chemin_data));
    ASSERT_EQ(autre.tenter(QStringLiteral("export")), GlobalLock::Resultat::Acquis);
    whenModalShown(QStringLiteral("TFormExportComptableCartesOptions"), [](QWidget *d) {
        saisir(d, "FEditJournal", QStringLiteral("BA"));
        saisir(d, "FEditCompte511", QStringLiteral("511"));
        d->findChild<QPushButton *>(QStringLiteral("BtnExporter"))->click();
    });
    cliquer(*w, QStringLiteral("BtnExportComptable"));
    EXPECT_EQ(dernierMessage(), QStringLiteral("Export refuse : une synchronisation ou un export est deja en cours"));
    EXPECT_EQ(journal(QStringLiteral("EXPORT_CARTES_COMPTABLE")).constLast(),
              QStringLiteral("EXPORT_CARTES_COMPTABLE|Export refuse : une synchronisation ou un export est deja en "
                             "cours|REFUSE|Cartes"));
    EXPECT_TRUE(QDir(outDir()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(compter(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS")), 0);
}

TEST_F(CardsWindowTest, ModifyTwiceThenDeleteThenRestoreFromTheReviewWindow)
{
    loginAs(9);
    cartes();
    auto w = ouvrirCartes(kCarte);

    modifier(*w, k1, [this](QWidget *d) {
        EXPECT_EQ(d->findChild<QDateEdit *>(QStringLiteral("DateEcriture"))->date(), QDate(2024, 1, 10));
        EXPECT_FALSE(d->findChild<QCheckBox *>(QStringLiteral("DateValeurCochee"))->isChecked()) << "no value date";
        EXPECT_EQ(d->findChild<QDateEdit *>(QStringLiteral("DateValeur"))->date(), QDate(2024, 1, 10));
        EXPECT_EQ(d->findChild<QLineEdit *>(QStringLiteral("EditQuelvo"))->text(), QStringLiteral("Restaurant"));
        EXPECT_EQ(d->findChild<QLineEdit *>(QStringLiteral("EditOriginal"))->text(), QStringLiteral("Restaurant ORIGINE"));
        EXPECT_EQ(d->findChild<QLineEdit *>(QStringLiteral("EditMontant"))->text(), QStringLiteral("-45,90"));
        EXPECT_EQ(d->size(), QSize(640, 310));
        EXPECT_TRUE(clippedTexts(d).isEmpty()) << clippedTexts(d).join(QLatin1Char(',')).toStdString();
        saveScreenshot(d, QStringLiteral("cartes-modifier"));
        saisir(d, "EditMontant", QStringLiteral("12 000"));
        d->findChild<QPushButton *>(QStringLiteral("BtnEnregistrer"))->click();
        EXPECT_EQ(dernierMessage(), QStringLiteral("Montant invalide."));
        EXPECT_TRUE(d->isVisible());
        saisir(d, "EditQuelvo", QStringLiteral("   "));
        saisir(d, "EditMontant", QStringLiteral("-12,30"));
        d->findChild<QPushButton *>(QStringLiteral("BtnEnregistrer"))->click();
        EXPECT_EQ(dernierMessage(), QStringLiteral("Le libelle Quelvo ne peut pas etre vide."));
        saisir(d, "EditQuelvo", QStringLiteral(" Resto corrige "));
    });
    EXPECT_DOUBLE_EQ(champ(k1, QStringLiteral("amount")).toDouble(), -12.3);
    EXPECT_EQ(champ(k1, QStringLiteral("description")).toString(), QStringLiteral("Resto corrige"));
    EXPECT_EQ(champ(k1, QStringLiteral("value_date")).toString(), QString());
    EXPECT_EQ(correction(QStringLiteral("k1"), QStringLiteral("action")), QStringLiteral("MODIFICATION"));
    EXPECT_EQ(w->EcritureIdCourante(), k1) << "the modified line stays focused after the reload";
    EXPECT_EQ(journal(QStringLiteral("CARTE_MODIFICATION")).size(), 1);

    modifier(*w, k1, [](QWidget *d) {
        d->findChild<QCheckBox *>(QStringLiteral("DateValeurCochee"))->setChecked(true);
        d->findChild<QDateEdit *>(QStringLiteral("DateValeur"))->setDate(QDate(2024, 1, 9));
        saisir(d, "EditMontant", QStringLiteral("-12.30"));
        saisir(d, "EditQuelvo", QStringLiteral("Resto 2"));
    });
    EXPECT_DOUBLE_EQ(champ(k1, QStringLiteral("amount")).toDouble(), -12.3);
    EXPECT_EQ(champ(k1, QStringLiteral("value_date")).toString(), QStringLiteral("2024-01-09"));
    EXPECT_EQ(correction(QStringLiteral("k1"), QStringLiteral("ancien_libelle_quelvo")), QStringLiteral("Restaurant"));
    EXPECT_EQ(correction(QStringLiteral("k1"), QStringLiteral("nouveau_libelle_quelvo")), QStringLiteral("Resto 2"));

    dialogs.answerYesNo(true);
    cliquer(*w, QStringLiteral("BtnSupprimer"));
    EXPECT_EQ(dialogs.shown().back().text,
              QStringLiteral("Supprimer definitivement cette ligne de carte ?\r\n10/01/2024 - Resto 2\r\n-12,30\r\n\r\nElle "
                             "disparaitra des grilles et des exports.\r\nLa suppression est annulable a tout moment depuis le "
                             "bouton Corrections."));
    EXPECT_EQ(champ(k1, QStringLiteral("supprimee")).toInt(), 1);
    EXPECT_EQ(correction(QStringLiteral("k1"), QStringLiteral("action")), QStringLiteral("SUPPRESSION"));
    EXPECT_DOUBLE_EQ(correction(QStringLiteral("k1"), QStringLiteral("ancien_montant")).toDouble(), -45.9);
    EXPECT_DOUBLE_EQ(correction(QStringLiteral("k1"), QStringLiteral("nouveau_montant")).toDouble(), -12.3);
    EXPECT_FALSE(colonne(*w, QStringLiteral("Reference")).contains(QStringLiteral("k1")));

    whenModalShown(QStringLiteral("TFormCorrectionsCartesModal"), [this](QWidget *d) {
        auto *revue = qobject_cast<TFormCorrectionsCartesModal *>(d);
        ASSERT_NE(revue, nullptr);
        waitFor([revue] { return revue->ouverte(); });
        auto *liste = d->findChild<QTreeWidget *>(QStringLiteral("lvCorrections"));
        ASSERT_EQ(liste->topLevelItemCount(), 1);
        QStringList textes;
        for (int c = 0; c < liste->columnCount(); ++c)
            textes << liste->topLevelItem(0)->text(c);
        EXPECT_EQ(textes, (QStringList{QStringLiteral("k1"), QStringLiteral("SUPPRESSION"), QStringLiteral("2024-01-10"),
                                       QStringLiteral("Restaurant"), QStringLiteral("(ligne supprimee)"),
                                       QStringLiteral("-45,90"), QString(), QStringLiteral("2024-02-05 10:15:02"),
                                       QStringLiteral("TESTEUR")}));
        EXPECT_EQ(d->findChild<QLabel *>(QStringLiteral("LabelTotal"))->text(), QStringLiteral("1 correction(s)"));
        auto *restaurer = d->findChild<QPushButton *>(QStringLiteral("BtnRestaurer"));
        EXPECT_FALSE(restaurer->isEnabled());
        liste->topLevelItem(0)->setSelected(true);
        EXPECT_TRUE(restaurer->isEnabled());
        EXPECT_EQ(revue->apres(3)->text(), QStringLiteral("(ligne supprimee de la base)"));
        EXPECT_EQ(revue->apres(4)->text(), QString());
        EXPECT_EQ(revue->avant(4)->text(), QStringLiteral("-45,90"));
        saveScreenshot(d, QStringLiteral("cartes-corrections"));
        dialogs.answerYesNo(true);
        restaurer->click();
        EXPECT_EQ(dialogs.texts().mid(dialogs.texts().size() - 2),
                  (QStringList{QStringLiteral("Annuler la suppression de cette ecriture ?\r\nElle reapparaitra immediatement "
                                              "dans les grilles et les exports."),
                               QStringLiteral("Suppression annulee. La ligne reapparait dans les grilles et les exports.")}));
        EXPECT_EQ(d->findChild<QLabel *>(QStringLiteral("LabelTotal"))->text(), QStringLiteral("0 correction(s)"));
        d->findChild<QPushButton *>(QStringLiteral("BtnFermer"))->click();
    });
    cliquer(*w, QStringLiteral("BtnCorrections"));
    EXPECT_EQ(champ(k1, QStringLiteral("supprimee")).toInt(), 0);
    EXPECT_TRUE(colonne(*w, QStringLiteral("Reference")).contains(QStringLiteral("k1"))) << "reloaded after the review";
}

TEST_F(CardsWindowTest, RestoringAModificationBringsTheBankValuesBack)
{
    loginAs(9);
    cartes();
    auto w = ouvrirCartes(kCarte);
    modifier(*w, k4, [](QWidget *d) {
        saisir(d, "EditMontant", QStringLiteral("-11,00"));
        saisir(d, "EditQuelvo", QStringLiteral("Essence corrigee"));
    });
    ASSERT_EQ(correction(QStringLiteral("k4"), QStringLiteral("action")), QStringLiteral("MODIFICATION"));

    whenModalShown(QStringLiteral("TFormCorrectionsCartesModal"), [this](QWidget *d) {
        auto *revue = qobject_cast<TFormCorrectionsCartesModal *>(d);
        waitFor([revue] { return revue->ouverte(); });
        auto *liste = d->findChild<QTreeWidget *>(QStringLiteral("lvCorrections"));
        ASSERT_EQ(liste->topLevelItemCount(), 1);
        liste->topLevelItem(0)->setSelected(true);
        const QString rouge = QStringLiteral("rgb(200, 0, 0)");
        EXPECT_FALSE(revue->apres(0)->styleSheet().contains(rouge)) << "same date";
        EXPECT_TRUE(revue->apres(3)->styleSheet().contains(rouge));
        EXPECT_EQ(revue->apres(3)->text(), QStringLiteral("Essence corrigee"));
        EXPECT_TRUE(revue->apres(4)->styleSheet().contains(rouge));
        dialogs.answerYesNo(false);
        d->findChild<QPushButton *>(QStringLiteral("BtnRestaurer"))->click();
        EXPECT_EQ(dialogs.shown().back().text,
                  QStringLiteral("Restaurer les valeurs bancaires d'origine ?\r\n2024-01-12 - Achat essence - -10,00"));
        EXPECT_EQ(liste->topLevelItemCount(), 1) << "nothing restored on No";
        dialogs.answerYesNo(true);
        d->findChild<QPushButton *>(QStringLiteral("BtnRestaurer"))->click();
        EXPECT_EQ(dernierMessage(), QStringLiteral("Valeurs bancaires d'origine restaurees."));
        d->findChild<QPushButton *>(QStringLiteral("BtnFermer"))->click();
    });
    cliquer(*w, QStringLiteral("BtnCorrections"));
    EXPECT_DOUBLE_EQ(champ(k4, QStringLiteral("amount")).toDouble(), -10);
    EXPECT_EQ(champ(k4, QStringLiteral("description")).toString(), QStringLiteral("Achat essence"));
    EXPECT_EQ(compter(QStringLiteral("SELECT COUNT(*) FROM T_CORRECTIONS_CARTES")), 0);
    EXPECT_EQ(journal(QStringLiteral("CARTE_RESTAURATION")).size(), 1);
}

TEST_F(CardsWindowTest, CorrectionsAreForLevelNineAndNeedAFocusedLine)
{
    loginAs(8);
    cartes();
    auto w = ouvrirCartes(kCarte);
    w->selectionnerEcriture(k1);
    TFormCartesBancairesModal::ModifierSelection(*w);
    EXPECT_EQ(dernierMessage(), QStringLiteral("La correction des cartes est reservee au niveau 9."));
    TFormCartesBancairesModal::SupprimerSelection(*w);
    EXPECT_EQ(dernierMessage(), QStringLiteral("La suppression des lignes de carte est reservee au niveau 9."));

    // A double-click by a level-8 user opens nothing; a dialog appearing would be closed and noted.
    bool ouvert = false;
    QTimer garde;
    QObject::connect(&garde, &QTimer::timeout, [&] {
        if (QWidget *m = QApplication::activeModalWidget()) {
            ouvert = true;
            m->close();
        }
    });
    garde.start(50);
    const QRect cellule = w->detail()->visualRect(w->detail()->model()->index(0, 3));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(cellule.center()), w->detail()->viewport()->mapToGlobal(QPointF(cellule.center())),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w->detail()->viewport(), &dbl);
    QApplication::processEvents();
    EXPECT_FALSE(ouvert);
    garde.stop();

    data().user_courant_niveau = 9;
    w->detail()->setCurrentIndex({});
    TFormCartesBancairesModal::ModifierSelection(*w);
    EXPECT_EQ(dernierMessage(), QStringLiteral("Selectionnez d'abord une ligne dans la grille."));

    whenModalShown(QStringLiteral("TFormModifierCarteModal"), [&](QWidget *d) {
        ouvert = true;
        d->findChild<QPushButton *>(QStringLiteral("BtnAnnuler"))->click();
    });
    QApplication::sendEvent(w->detail()->viewport(), &dbl);
    EXPECT_TRUE(ouvert) << "level 9: the double-click opens the edit dialog";
    EXPECT_EQ(compter(QStringLiteral("SELECT COUNT(*) FROM T_CORRECTIONS_CARTES")), 0) << "cancelled";
}

TEST_F(CardsWindowTest, EntryPointOpensTheSelectionPageFromTheMenu)
{
    loginAs(7);
    cartes();
    QString pageVue;
    whenModalShown(QStringLiteral("TFormCartesBancairesModal"), [&](QWidget *modal) {
        auto *f = qobject_cast<FenetreEcritures *>(modal);
        ASSERT_NE(f, nullptr);
        waitFor([f] { return f->ouverte(); });
        pageVue = f->findChild<QStackedWidget *>(QStringLiteral("pcCartes"))->currentWidget()->objectName();
        f->findChild<QPushButton *>(QStringLiteral("BtnFermerSelection"))->click();
    });
    TFormCartesBancairesModal::Executer(nullptr, data(), {});
    EXPECT_EQ(pageVue, QStringLiteral("tsSelection"));
}
