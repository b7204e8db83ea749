#include "export/ui/FormRelevesBancairesModal.h"

#include "app/GlobalLock.h"
#include "export/ui/PiedDeGrille.h"
#include "ui_data/DataWindowTest.h"

namespace {

const QString kIbanA = QStringLiteral("FR7630004000031234567890143");
const QString kIbanB = QStringLiteral("FR7611111000011111111111111");

// Two current accounts (one line of A already exported), a card account and an
// account that is a card only by its bank name, in lower case.
class StatementsWindowTest : public DataWindowTest
{
protected:
    void comptes()
    {
        const qint64 a = compte(kIbanA, QStringLiteral("checking"), QStringLiteral("Banque Alpha"), QStringLiteral("SARL Dupont"));
        const qint64 b = compte(kIbanB, QStringLiteral("savings"), QStringLiteral("Banque Beta"));
        const qint64 c = compte(QStringLiteral("FR76CARTE0001"), QStringLiteral("card"), QStringLiteral("Banque Alpha"));
        const qint64 d = compte(QStringLiteral("FR76CARTE0002"), QStringLiteral("checking"), QStringLiteral("Banque Alpha / carte"));
        a1 = ecriture(a, kIbanA, QStringLiteral("a1"), QStringLiteral("2024-01-10"), -12.5, QStringLiteral("Achat; carte"));
        a2 = ecriture(a, kIbanA, QStringLiteral("a2"), QStringLiteral("2024-01-12"), 100, QStringLiteral("Virement"));
        a3 = ecriture(a, kIbanA, QStringLiteral("a3"), QStringLiteral("2024-01-05"), -7, QStringLiteral("Frais"), true);
        b1 = ecriture(b, kIbanB, QStringLiteral("b1"), QStringLiteral("2024-01-20"), -30, QStringLiteral("Prelevement"));
        ecriture(c, QStringLiteral("FR76CARTE0001"), QStringLiteral("c1"), QStringLiteral("2024-01-11"), -9,
                 QStringLiteral("Carte"), false, QStringLiteral("card"), QStringLiteral("Banque Alpha"));
        ecriture(d, QStringLiteral("FR76CARTE0002"), QStringLiteral("d1"), QStringLiteral("2024-01-11"), -4,
                 QStringLiteral("Carte"), false, QStringLiteral("checking"), QStringLiteral("Banque Alpha / carte"));
    }

    std::unique_ptr<FenetreEcritures> ouvrirReleves(const QString &iban = {}, bool historique = false)
    {
        return ouvrir(TFormRelevesBancairesModal::Genre(), iban, historique);
    }

    void repertoire(FenetreEcritures &w, const QString &dossier)
    {
        widget<QLineEdit>(w, QStringLiteral("EditRepertoire"))->setText(dossier);
    }

    qint64 a1 = 0, a2 = 0, a3 = 0, b1 = 0;
};

} // namespace

TEST_F(StatementsWindowTest, FromTheMenuGoLoadsEveryNeverExportedLineOfTheNonCardAccounts)
{
    loginAs(7);
    comptes();
    auto w = ouvrirReleves();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Relevés bancaires"));
    EXPECT_EQ(page(*w), QStringLiteral("tsSelection"));
    auto *choix = widget<QComboBox>(*w, QStringLiteral("cbCompte"));
    ASSERT_EQ(choix->count(), 3) << "no card account, not even one named a card only by its bank";
    EXPECT_EQ(choix->itemText(0), QStringLiteral("-- Tous les comptes (hors cartes) --"));
    EXPECT_EQ(choix->itemText(1), kIbanA + QStringLiteral("  [Banque Alpha / SARL Dupont]  (checking)"));
    EXPECT_EQ(choix->itemText(2), kIbanB + QStringLiteral("  [Banque Beta]  (savings)"));
    EXPECT_EQ(choix->currentIndex(), 0);
    EXPECT_TRUE(widget<QCheckBox>(*w, QStringLiteral("chkReexport"))->isHidden()) << "level 7";
    EXPECT_EQ(widget<QLineEdit>(*w, QStringLiteral("EditRepertoire"))->text(), data().chemin_prog + QStringLiteral("datas/releves/"));
    EXPECT_TRUE(clippedTexts(w.get()).isEmpty()) << clippedTexts(w.get()).join(QLatin1Char(',')).toStdString();
    w->resize(1280, 760);
    saveScreenshot(w.get(), QStringLiteral("releves-selection"));

    cliquer(*w, QStringLiteral("BtnGo"));
    EXPECT_TRUE(dialogs.shown().empty()) << dernierMessage().toStdString();
    EXPECT_EQ(page(*w), QStringLiteral("tsResultat"));
    EXPECT_EQ(colonne(*w, QStringLiteral("Reference")), (QStringList{QStringLiteral("a2"), QStringLiteral("a1"), QStringLiteral("b1")}));
    EXPECT_EQ(colonne(*w, QStringLiteral("Statut")), QStringList(3, QStringLiteral("A exporter")));
    EXPECT_EQ(cellule(*w, 1, QStringLiteral("Libelle Bridge")), QStringLiteral("Achat carte"));
    EXPECT_EQ(cellule(*w, 1, QStringLiteral("Debit")), QStringLiteral("12,50"));
    EXPECT_EQ(cellule(*w, 1, QStringLiteral("Credit")), QString());
    EXPECT_EQ(cellule(*w, 1, QStringLiteral("Date ecriture")), QStringLiteral("10/01/2024"));
    EXPECT_EQ(cellule(*w, 0, QStringLiteral("iban")), kIbanA);
    EXPECT_EQ(widget<QLabel>(*w, QStringLiteral("LabelAvertissement"))->text(),
              QStringLiteral("3 ecriture(s) a exporter. Les ecritures deja exportees sont masquees."));
    PiedDeGrille *pied = w->piedDetail();
    EXPECT_EQ(pied->texte(1), QStringLiteral("3")) << "count under iban";
    EXPECT_EQ(pied->texte(7), QStringLiteral("42,50"));
    EXPECT_EQ(pied->texte(8), QStringLiteral("100,00"));
    EXPECT_EQ(w->recap()->model()->rowCount(), 2);
    EXPECT_TRUE(w->recap()->isColumnHidden(9)) << "Solde";
    EXPECT_EQ(w->detail()->selectionBehavior(), QAbstractItemView::SelectItems);
    EXPECT_EQ(w->detail()->model()->columnCount(), 12) << "no ecriture_id column in the statements window";
    EXPECT_EQ(w->findChild<QPushButton *>(QStringLiteral("BtnModifier")), nullptr);
    w->resize(w->minimumSize());
    EXPECT_TRUE(clippedTexts(w.get()).isEmpty()) << "at the smallest size: " << clippedTexts(w.get()).join(QLatin1Char(',')).toStdString();
    w->resize(1280, 760);
    saveScreenshot(w.get(), QStringLiteral("releves-resultat"));

    // The recap row filters the grid; unselecting it shows every account again.
    w->recap()->setCurrentIndex(w->recap()->model()->index(1, 0));
    EXPECT_EQ(colonne(*w, QStringLiteral("Reference")), QStringList{QStringLiteral("b1")});
    EXPECT_EQ(pied->texte(1), QStringLiteral("1"));
    EXPECT_EQ(pied->texte(7), QStringLiteral("30,00"));
    w->recap()->selectionModel()->clearSelection();
    EXPECT_EQ(lignes(*w), 3);
}

TEST_F(StatementsWindowTest, FullHistoryFromTheMainWindowThenANewSelection)
{
    loginAs(7);
    comptes();
    auto w = ouvrirReleves(kIbanA.toLower(), true);
    EXPECT_EQ(page(*w), QStringLiteral("tsResultat"));
    EXPECT_EQ(widget<QComboBox>(*w, QStringLiteral("cbCompte"))->currentIndex(), 1) << "IBAN found ignoring case";
    EXPECT_EQ(colonne(*w, QStringLiteral("Reference")), (QStringList{QStringLiteral("a2"), QStringLiteral("a1"), QStringLiteral("a3")}));
    EXPECT_EQ(cellule(*w, 2, QStringLiteral("Statut")), QStringLiteral("Deja exportee"));
    EXPECT_EQ(widget<QLabel>(*w, QStringLiteral("LabelAvertissement"))->text(),
              QStringLiteral("Historique complet : 2 a exporter, 1 deja exportee(s)."));
    w->resize(1280, 760);
    saveScreenshot(w.get(), QStringLiteral("releves-historique"));

    cliquer(*w, QStringLiteral("BtnNouvelleSelection"));
    EXPECT_EQ(page(*w), QStringLiteral("tsSelection"));
    cliquer(*w, QStringLiteral("BtnGo"));
    EXPECT_EQ(colonne(*w, QStringLiteral("Reference")), (QStringList{QStringLiteral("a2"), QStringLiteral("a1")}));
    EXPECT_EQ(widget<QLabel>(*w, QStringLiteral("LabelAvertissement"))->text(),
              QStringLiteral("2 ecriture(s) a exporter. Les ecritures deja exportees sont masquees."));
}

TEST_F(StatementsWindowTest, OfxExportOfTwoAccountsWritesTwoStatementsAndReloads)
{
    loginAs(7);
    comptes();
    auto w = ouvrirReleves();
    cliquer(*w, QStringLiteral("BtnGo"));
    repertoire(*w, outDir());
    cliquer(*w, QStringLiteral("BtnExportOFX"));

    const QStringList ofx = fichiers(QStringLiteral("*.ofx"));
    ASSERT_EQ(ofx.size(), 2) << ofx.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(ofx[0].startsWith(QStringLiteral("releve_")));
    EXPECT_TRUE(ofx[1].startsWith(QStringLiteral("releve_")));
    EXPECT_EQ(dialogs.texts(), (QStringList{QStringLiteral("3 ecriture(s) exportee(s) dans 2 fichier(s) OFX.\r\n") + outDir(),
                                            QStringLiteral("Aucune ecriture trouvee pour cette selection.")}));
    EXPECT_EQ(journal(QStringLiteral("EXPORT_RELEVES")).constLast(),
              QStringLiteral("EXPORT_RELEVES|Export OFX termine : 3 ecriture(s), 2 fichier(s), mode EXPORT, repertoire ")
                  + outDir() + QStringLiteral("|OK|Releves"));
    EXPECT_EQ(compter(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS WHERE format_export = 'OFX' AND type_export = 'EXPORT'")), 2);
    EXPECT_EQ(champ(b1, QStringLiteral("format_dernier_export")).toString(), QStringLiteral("OFX"));
    EXPECT_EQ(page(*w), QStringLiteral("tsSelection")) << "every line exported: the reload finds none";
}

TEST_F(StatementsWindowTest, CsvExportWritesTheWholeSelectionWhateverTheGridShowsAndTheLinesDisappear)
{
    loginAs(7);
    comptes();
    auto w = ouvrirReleves();
    cliquer(*w, QStringLiteral("BtnGo"));
    widget<QLineEdit>(*w, QStringLiteral("EditFiltreLibelle"))->setText(QStringLiteral("virement"));
    w->recap()->setCurrentIndex(w->recap()->model()->index(0, 0));
    ASSERT_EQ(colonne(*w, QStringLiteral("Reference")), QStringList{QStringLiteral("a2")});
    repertoire(*w, outDir());
    cliquer(*w, QStringLiteral("BtnExportCSV"));

    const QStringList csv = fichiers(QStringLiteral("export_*.csv"));
    ASSERT_EQ(csv.size(), 2);
    EXPECT_EQ(lignesFichier(csv.constFirst()).size() + lignesFichier(csv.constLast()).size(), 2 + 3)
        << "headers and all three lines, not the filtered view";
    ASSERT_GE(dialogs.texts().size(), 1);
    EXPECT_EQ(dialogs.texts().constFirst(), QStringLiteral("3 ecriture(s) exportee(s) en CSV.\r\n") + outDir());
    const QStringList logs = journal(QStringLiteral("EXPORT_RELEVES"));
    ASSERT_EQ(logs.size(), 2);
    EXPECT_EQ(logs[0], QStringLiteral("EXPORT_RELEVES|Debut export CSV releves. Compte= Mode=EXPORT Repertoire=") + outDir()
                           + QStringLiteral(" Utilisateur=TESTEUR|DEBUT|Releves"));
    EXPECT_EQ(logs[1], QStringLiteral("EXPORT_RELEVES|Export CSV releves termine : 3 ecriture(s)|OK|Releves"));
    for (qint64 id : {a1, a2, b1})
        EXPECT_EQ(champ(id, QStringLiteral("date_export")).toString(), QStringLiteral("2024-02-05"));
    EXPECT_EQ(champ(a3, QStringLiteral("date_export")).toString(), QStringLiteral("2024-01-31")) << "first stamp kept";
    EXPECT_EQ(lignes(*w), 0) << "the reload shows never-exported lines only";
    EXPECT_EQ(dernierMessage(), QStringLiteral("Aucune ecriture trouvee pour cette selection."));
}

TEST_F(StatementsWindowTest, ReexportAtLevelNineAsksFirstAndLogsTheAnswer)
{
    loginAs(9);
    comptes();
    auto w = ouvrirReleves();
    auto *box = widget<QCheckBox>(*w, QStringLiteral("chkReexport"));
    ASSERT_FALSE(box->isHidden());
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    cliquer(*w, QStringLiteral("BtnGo"));
    EXPECT_EQ(lignes(*w), 4);
    EXPECT_EQ(widget<QLabel>(*w, QStringLiteral("LabelAvertissement"))->text(),
              QStringLiteral("Reexport : 3 a exporter, 1 deja exportee(s)."));
    repertoire(*w, outDir());

    dialogs.answerYesNo(false);
    cliquer(*w, QStringLiteral("BtnExportCSV"));
    EXPECT_EQ(dernierMessage(),
              QStringLiteral("ATTENTION - REEXPORTATION\r\n\r\nLes ecritures deja exportees vont etre exportees une nouvelle "
                             "fois.\r\nSi le fichier precedent a deja ete integre en comptabilite, cela peut y creer des "
                             "doublons.\r\n\r\nFormat : CSV\r\nCompte : \r\n\r\nConfirmer la reexportation ?"));
    EXPECT_EQ(journal(QStringLiteral("REEXPORT")).constLast(),
              QStringLiteral("REEXPORT|Reexportation abandonnee par TESTEUR. Format=CSV Compte=|ANNULE|Releves"));
    EXPECT_TRUE(fichiers(QStringLiteral("*.csv")).isEmpty());

    dialogs.answerYesNo(true);
    cliquer(*w, QStringLiteral("BtnExportCSV"));
    EXPECT_EQ(journal(QStringLiteral("REEXPORT")).constLast(),
              QStringLiteral("REEXPORT|REEXPORTATION confirmee par TESTEUR. Format=CSV Compte= : des ecritures deja "
                             "exportees vont etre reexportees.|ALERTE|Releves"));
    EXPECT_EQ(fichiers(QStringLiteral("*.csv")).size(), 2);
    EXPECT_EQ(SqlQuery::scalar(db(), QStringLiteral("SELECT type_export FROM T_EXPORTS WHERE iban = '") + kIbanA
                                          + QStringLiteral("'")).toString(),
              QStringLiteral("REEXPORT"));
    EXPECT_EQ(champ(a3, QStringLiteral("nb_exports")).toInt(), 2);
    EXPECT_EQ(widget<QLabel>(*w, QStringLiteral("LabelAvertissement"))->text(),
              QStringLiteral("Reexport : 0 a exporter, 4 deja exportee(s)."));
}

TEST_F(StatementsWindowTest, EveryExportRefusesWhileASynchronisationHoldsTheLock)
{
    loginAs(7);
    comptes();
    auto w = ouvrirReleves();
    cliquer(*w, QStringLiteral("BtnGo"));
    repertoire(*w, outDir());
    GlobalLock synchro(GlobalLock::cheminPour(data().chemin_data));
    ASSERT_EQ(synchro.tenter(QStringLiteral("synchro")), GlobalLock::Resultat::Acquis);

    for (const QString &bouton : {QStringLiteral("BtnExportCSV"), QStringLiteral("BtnExportOFX")}) {
        cliquer(*w, bouton);
        EXPECT_EQ(dernierMessage(), QStringLiteral("Export refuse : une synchronisation ou un export est deja en cours"))
            << bouton.toStdString();
        EXPECT_EQ(journal(QStringLiteral("EXPORT_RELEVES")).constLast(),
                  QStringLiteral("EXPORT_RELEVES|Export refuse : une synchronisation ou un export est deja en cours|REFUSE|Releves"));
    }
    EXPECT_TRUE(QDir(outDir()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(compter(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE date_export IS NOT NULL")), 1);
    EXPECT_EQ(lignes(*w), 3) << "the grid is left as it was";

    synchro.liberer();
    cliquer(*w, QStringLiteral("BtnExportCSV"));
    EXPECT_EQ(fichiers(QStringLiteral("*.csv")).size(), 2) << "free again once the synchronisation is over";
}

TEST_F(StatementsWindowTest, BelowLevelSevenExportsAreDisabledAndRefusedWithTheRightsLine)
{
    loginAs(6);
    comptes();
    auto w = ouvrirReleves(kIbanA, true);
    for (const QString &nom : {QStringLiteral("BtnExportCSV"), QStringLiteral("BtnExportOFX"), QStringLiteral("BtnParcourir")})
        EXPECT_FALSE(widget(*w, nom)->isEnabled()) << nom.toStdString();
    EXPECT_FALSE(widget<QLineEdit>(*w, QStringLiteral("EditRepertoire"))->isEnabled());

    w->BtnExportCSVClick();
    TFormRelevesBancairesModal::BtnExportOFXClick(*w);
    EXPECT_EQ(journal(QStringLiteral("DROITS")),
              (QStringList{QStringLiteral("DROITS|Tentative export CSV releves refusee pour TESTEUR|REFUSE|Releves"),
                           QStringLiteral("DROITS|Tentative export OFX releves refusee pour TESTEUR|REFUSE|Releves")}));
    EXPECT_EQ(dialogs.texts(), QStringList(2, QStringLiteral("Export reserve aux niveaux 7, 8 et 9.")));
}

TEST_F(StatementsWindowTest, DestinationFolderIsCheckedBeforeAnything)
{
    loginAs(7);
    comptes();
    QFile bloque(home() + QStringLiteral("bloque"));
    ASSERT_TRUE(bloque.open(QIODevice::WriteOnly));
    bloque.close();
    auto w = ouvrirReleves();
    cliquer(*w, QStringLiteral("BtnGo"));
    const struct
    {
        QString dossier;
        QString message;
    } cas[] = {
        {QStringLiteral("   "), QStringLiteral("Indiquez un repertoire de destination.")},
        {home() + QStringLiteral("bloque/sous"),
         QStringLiteral("Repertoire inaccessible en ecriture :\r\n") + home() + QStringLiteral("bloque/sous/")},
    };
    for (const auto &c : cas) {
        repertoire(*w, c.dossier);
        cliquer(*w, QStringLiteral("BtnExportCSV"));
        EXPECT_EQ(dernierMessage(), c.message);
        cliquer(*w, QStringLiteral("BtnExportOFX"));
        EXPECT_EQ(dernierMessage(), c.message);
    }
    EXPECT_EQ(compter(QStringLiteral("SELECT COUNT(*) FROM T_EXPORTS")), 0);

    repertoire(*w, home() + QStringLiteral("ancien"));
    dialogs.answerFolder(home() + QStringLiteral("choisi"));
    cliquer(*w, QStringLiteral("BtnParcourir"));
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("Repertoire de destination"));
    EXPECT_EQ(dialogs.shown().back().text, home() + QStringLiteral("ancien")) << "opens on the current folder";
    EXPECT_EQ(widget<QLineEdit>(*w, QStringLiteral("EditRepertoire"))->text(), home() + QStringLiteral("choisi"));
}

TEST_F(StatementsWindowTest, DatesBoundTheSelectionAndAnUnreadableDateIsSaidSo)
{
    loginAs(7);
    comptes();
    auto w = ouvrirReleves();
    auto *debut = widget<QLineEdit>(*w, QStringLiteral("edDateMin"));
    auto *fin = widget<QLineEdit>(*w, QStringLiteral("edDateMax"));
    debut->setText(QStringLiteral("32/01/2024"));
    cliquer(*w, QStringLiteral("BtnGo"));
    EXPECT_EQ(dernierMessage(), QStringLiteral("Date début invalide (jj/mm/aaaa) : 32/01/2024"));
    EXPECT_EQ(page(*w), QStringLiteral("tsSelection"));
    debut->setText(QStringLiteral("1/1/2024"));
    fin->setText(QStringLiteral("2024-01-11"));
    cliquer(*w, QStringLiteral("BtnGo"));
    EXPECT_EQ(dernierMessage(), QStringLiteral("Date fin invalide (jj/mm/aaaa) : 2024-01-11"));

    fin->setText(QStringLiteral("11/01/2024"));
    cliquer(*w, QStringLiteral("BtnGo"));
    EXPECT_EQ(colonne(*w, QStringLiteral("Reference")), QStringList{QStringLiteral("a1")});
}

TEST_F(StatementsWindowTest, EntryPointOpensModallyAndAClosedDatabaseClosesTheWindow)
{
    loginAs(7);
    comptes();
    bool vu = false;
    whenModalShown(QStringLiteral("TFormRelevesBancairesModal"), [&](QWidget *modal) {
        auto *f = qobject_cast<FenetreEcritures *>(modal);
        ASSERT_NE(f, nullptr);
        waitFor([f] { return f->ouverte(); });
        vu = f->findChild<QStackedWidget *>(QStringLiteral("pcReleves"))->currentWidget()->objectName()
            == QStringLiteral("tsSelection");
        f->findChild<QPushButton *>(QStringLiteral("BtnFermerSelection"))->click();
    });
    TFormRelevesBancairesModal::Executer(nullptr, data(), {}, false);
    EXPECT_TRUE(vu);

    QSqlDatabase connexion = db();
    connexion.close();
    auto w = ouvrirReleves();
    EXPECT_EQ(dernierMessage(), QStringLiteral("Base SQLite non connectee."));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Rejected);
}
