#include "company/IdentificationSociete.h"

#include "company/QStringPrinter.h"
#include "db/SqlQuery.h"
#include "support/ScriptedDialogs.h"
#include "support/TempHome.h"

#include <QRegularExpression>

#include <optional>

using namespace Qt::StringLiterals;
using Societe = IdentificationSociete;

namespace {

SocieteFiche ficheValide()
{
    SocieteFiche f;
    f.raisonSociale = u" Cabinet Martin "_s;
    f.siret = u"12345678900011"_s;
    f.adresse = u"3 rue des Lilas"_s;
    f.codePostal = u"35000"_s;
    f.ville = u"Rennes"_s;
    f.telephone = u"0299000000"_s;
    f.email = u" compta@cabinet-martin.fr "_s;
    f.contactNom = u"Claire Martin"_s;
    f.contactEmail = u"claire@cabinet-martin.fr"_s;
    f.repertoireExport = u"/srv/exports"_s;
    f.codeSecuriteConsole = u" ab12cd34 "_s;
    return f;
}

// Stands in for the company window: when opened it saves the prepared form, as a
// user pressing "Enregistrer" would, or is cancelled when there is none.
class CompanyWindowDialogs final : public UserDialogs
{
public:
    explicit CompanyWindowDialogs(DataModule &dm) : m_dm(dm) {}
    void inform(const QString &, const QString &) override {}
    void warn(const QString &, const QString &) override {}
    void error(const QString &, const QString &) override {}
    bool askYesNo(const QString &, const QString &) override { return false; }
    bool inputText(const QString &, const QString &, QString &) override { return false; }
    bool chooseFolder(const QString &, QString &) override { return false; }
    bool runModal(const QString &windowName) override
    {
        opened << windowName;
        QString error;
        return saved && Societe::EnregistrerEcran(m_dm, *saved, error);
    }

    std::optional<SocieteFiche> saved;
    QStringList opened;

private:
    DataModule &m_dm;
};

} // namespace

class IdentificationSocieteTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        clockOverride = &clock;
        dm();
    }
    const QSqlDatabase &db() { return dm().UnConnection_dossier(); }
    QString stored(const QString &column)
    {
        return SqlQuery::scalar(db(), u"SELECT "_s + column + u" FROM T_IDENTIFICATION_SOCIETE ORDER BY societe_id LIMIT 1"_s)
            .toString();
    }
    QString lastLog(const QString &operation)
    {
        SqlQuery query(db(), u"SELECT message || '|' || resultat || '|' || source FROM T_LOG_OPERATIONS "
                             "WHERE operation = :op ORDER BY log_id DESC LIMIT 1"_s);
        query.bind(u":op"_s, operation).exec();
        return query.next() ? query.text(0) : QString();
    }

    ManualClock clock;
};

TEST(IdentificationSocieteRules, CompanyName)
{
    for (const QString &name : {u""_s, u"   "_s, u"A renseigner"_s, u"a RENSEIGNER"_s, u" A renseigner. "_s})
        EXPECT_FALSE(Societe::RaisonSocialeValide(name)) << name.toStdString();
    for (const QString &name : {u"Cabinet Martin"_s, u"A renseigner SARL"_s, u"A renseigner.."_s})
        EXPECT_TRUE(Societe::RaisonSocialeValide(name)) << name.toStdString();
}

TEST(IdentificationSocieteRules, ReportAddress)
{
    const std::vector<std::pair<QString, bool>> cases = {
        {u"compta@cabinet.fr"_s, true},
        {u"  a@b.co  "_s, true},
        {u"prenom.nom@sous.domaine.fr"_s, true},
        {u""_s, false},
        {u"@cabinet.fr"_s, false},
        {u"a@b@cabinet.fr"_s, false},
        {u"a b@cabinet.fr"_s, false},
        {u"compta@cabinetfr"_s, false},
        {u"compta@.fr"_s, false},
        {u"compta@cabinet.fr."_s, false},
        {u"compta.cabinet@fr"_s, false},
    };
    for (const auto &[email, valid] : cases)
        EXPECT_EQ(Societe::EmailValide(email), valid) << email.toStdString();
}

TEST(IdentificationSocieteRules, ConsoleCode)
{
    EXPECT_EQ(Societe::NormaliserCodeSecuriteConsole(u"  ab12cd34 "_s), u"AB12CD34"_s);
    const std::vector<std::pair<QString, bool>> cases = {
        {u"AB12CD34"_s, true}, {u"  ab12cd34 "_s, true}, {u"ZZZZ9999"_s, true},  {u"AB12CD3"_s, false},
        {u"AB12CD345"_s, false}, {u"AB12-D34"_s, false}, {u"ABCDEFGÉ"_s, false}, {u""_s, false},
    };
    for (const auto &[code, valid] : cases)
        EXPECT_EQ(Societe::CodeSecuriteConsoleValide(code), valid) << code.toStdString();

    const QString generated = Societe::GenererCodeSecuriteConsole();
    EXPECT_TRUE(QRegularExpression(u"^[0-9A-F]{8}$"_s).match(generated).hasMatch()) << generated.toStdString();
}

TEST_F(IdentificationSocieteTest, ReadingsOfANewCompanyRow)
{
    QString value = u"x"_s;
    QString error;
    EXPECT_FALSE(Societe::LireRaisonSociale(dm(), value, error));
    EXPECT_EQ(error, u"Raison sociale de la societe emettrice non renseignee"_s);
    EXPECT_TRUE(value.isEmpty());
    EXPECT_FALSE(Societe::LireEmailRapport(dm(), value, error));
    EXPECT_EQ(error, u"Email des rapports de synchronisation absent ou invalide"_s);
    EXPECT_FALSE(Societe::LireCodeSecuriteConsole(dm(), value, error));
    EXPECT_EQ(error, u"Code de securite console absent ou invalide"_s);

    SqlQuery::run(db(), u"UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = ' Cabinet Martin ', email = "
                        "'compta@cabinet.fr', code_securite_console = ' ab12cd34'"_s);
    EXPECT_TRUE(Societe::LireRaisonSociale(dm(), value, error));
    EXPECT_EQ(value, u"Cabinet Martin"_s);
    EXPECT_TRUE(Societe::LireEmailRapport(dm(), value, error));
    EXPECT_EQ(value, u"compta@cabinet.fr"_s);
    EXPECT_EQ(Societe::EmailSociete(dm()), u"compta@cabinet.fr"_s);
    EXPECT_TRUE(Societe::LireCodeSecuriteConsole(dm(), value, error));
    EXPECT_EQ(value, u"AB12CD34"_s);

    SqlQuery::run(db(), u"UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = 'A renseigner'"_s);
    EXPECT_FALSE(Societe::LireRaisonSociale(dm(), value, error));
    SqlQuery::run(db(), u"DROP TABLE T_IDENTIFICATION_SOCIETE"_s);
    EXPECT_EQ(Societe::EmailSociete(dm()), QString());
}

TEST_F(IdentificationSocieteTest, CodeGeneratedOnShowIsKeptAfterCancel)
{
    SocieteFiche fiche;
    QString warning;
    ASSERT_TRUE(Societe::ChargerEcran(dm(), fiche, warning));
    EXPECT_TRUE(warning.isEmpty()) << warning.toStdString();
    EXPECT_TRUE(QRegularExpression(u"^[0-9A-F]{8}$"_s).match(fiche.codeSecuriteConsole).hasMatch());
    EXPECT_EQ(stored(u"code_securite_console"_s), fiche.codeSecuriteConsole);
    // The export folder is proposed but stored only on save.
    EXPECT_EQ(fiche.repertoireExport, home() + u"datas/releves"_s);
    EXPECT_TRUE(stored(u"repertoire_export"_s).isEmpty());

    // Shown again (the user cancelled): the stored code is kept, never replaced.
    SocieteFiche again;
    ASSERT_TRUE(Societe::ChargerEcran(dm(), again, warning));
    EXPECT_EQ(again.codeSecuriteConsole, fiche.codeSecuriteConsole);
}

TEST_F(IdentificationSocieteTest, ShowingTheWindowWithoutACompanyRowCreatesOneWithTheCode)
{
    SqlQuery::run(db(), u"DELETE FROM T_IDENTIFICATION_SOCIETE"_s);
    SocieteFiche fiche;
    QString warning;
    ASSERT_TRUE(Societe::ChargerEcran(dm(), fiche, warning));
    EXPECT_EQ(SqlQuery::scalar(db(), u"SELECT COUNT(*) FROM T_IDENTIFICATION_SOCIETE"_s).toInt(), 1);
    EXPECT_EQ(stored(u"code_securite_console"_s), fiche.codeSecuriteConsole);
    EXPECT_EQ(stored(u"mode_recup_default"_s), u"COMPTABLE_PERIODE"_s);
    EXPECT_EQ(stored(u"mode_persistance_default"_s), u"RAZ"_s);
    EXPECT_EQ(stored(u"user_creation"_s), u"SYSTEM"_s);
    EXPECT_EQ(stored(u"date_creation"_s), u"2026-03-15"_s);
}

TEST_F(IdentificationSocieteTest, PlaceholderNameIsClearedOnShow)
{
    SqlQuery::run(db(), u"UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = 'A renseigner', "
                        "repertoire_export = '/srv/exports', code_securite_console = 'ab12cd34'"_s);
    SocieteFiche fiche;
    QString warning;
    ASSERT_TRUE(Societe::ChargerEcran(dm(), fiche, warning));
    EXPECT_TRUE(fiche.raisonSociale.isEmpty());
    EXPECT_EQ(fiche.repertoireExport, u"/srv/exports"_s);
    EXPECT_EQ(fiche.codeSecuriteConsole, u"AB12CD34"_s);
}

TEST_F(IdentificationSocieteTest, SaveChecksTheFormInOrder)
{
    struct Case
    {
        const char *what;
        SocieteFiche fiche;
        QString error;
    };
    std::vector<Case> cases;
    SocieteFiche f = ficheValide();
    f.raisonSociale = u"A renseigner."_s;
    f.email.clear();
    cases.push_back({"placeholder name", f, u"La raison sociale de la societe emettrice est obligatoire."_s});
    f = ficheValide();
    f.email = u"compta@cabinet"_s;
    f.codeSecuriteConsole.clear();
    cases.push_back({"bad e-mail", f, u"L'email des rapports de synchronisation est obligatoire et doit etre valide."_s});
    f = ficheValide();
    f.codeSecuriteConsole = u"AB12-D34"_s;
    cases.push_back({"bad code", f, u"Le code de securite console doit contenir exactement 8 lettres ou chiffres."_s});
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(Societe::EnregistrerEcran(dm(), c.fiche, error)) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
    EXPECT_TRUE(stored(u"raison_sociale"_s).isEmpty());
}

TEST_F(IdentificationSocieteTest, SaveWritesTrimmedValuesAndLogsWithoutTheCode)
{
    dm().user_courant_login = u"ADMIN"_s;
    QString error;
    ASSERT_TRUE(Societe::EnregistrerEcran(dm(), ficheValide(), error)) << error.toStdString();
    EXPECT_EQ(stored(u"raison_sociale"_s), u"Cabinet Martin"_s);
    EXPECT_EQ(stored(u"email"_s), u"compta@cabinet-martin.fr"_s);
    EXPECT_EQ(stored(u"contact_email"_s), u"claire@cabinet-martin.fr"_s);
    EXPECT_EQ(stored(u"repertoire_export"_s), u"/srv/exports"_s);
    EXPECT_EQ(stored(u"code_securite_console"_s), u"AB12CD34"_s);
    EXPECT_EQ(stored(u"user_modification"_s), u"SYSTEM"_s);
    EXPECT_EQ(stored(u"heure_modification"_s), u"10:00:00"_s);

    const QString log = lastLog(u"SOCIETE"_s);
    EXPECT_EQ(log, u"Identification societe modifiee : Cabinet Martin | SIRET 12345678900011 | email "
                   "compta@cabinet-martin.fr | repertoire export /srv/exports | code console configure | par ADMIN"
                   "|OK|Societe"_s);
    EXPECT_FALSE(log.contains(u"AB12CD34"_s, Qt::CaseInsensitive));

    SqlQuery::run(db(), u"DELETE FROM T_IDENTIFICATION_SOCIETE"_s);
    ASSERT_TRUE(Societe::EnregistrerEcran(dm(), ficheValide(), error)) << error.toStdString();
    EXPECT_TRUE(lastLog(u"SOCIETE"_s).startsWith(u"Identification societe creee : Cabinet Martin"_s));
    EXPECT_EQ(stored(u"mode_persistance_default"_s), u"RAZ"_s);
    EXPECT_EQ(stored(u"user_creation"_s), u"SYSTEM"_s);
}

TEST_F(IdentificationSocieteTest, CompanyWindowOpensOnlyWhenTheNameIsMissing)
{
    CompanyWindowDialogs window(dm());
    dm().setDialogs(&window);
    QString name;
    QString error;

    EXPECT_FALSE(Societe::VerifierSocieteEmettrice(dm(), name, error));
    EXPECT_EQ(error, u"Assurez vous que la societe emettrice ait sa raison sociale et son couriel (email)"_s);
    EXPECT_EQ(window.opened, QStringList{Societe::NomFenetre()});

    window.saved = ficheValide();
    EXPECT_TRUE(Societe::VerifierSocieteEmettrice(dm(), name, error)) << error.toStdString();
    EXPECT_EQ(name, u"Cabinet Martin"_s);
    EXPECT_EQ(window.opened.size(), 2);

    EXPECT_TRUE(Societe::VerifierSocieteEmettrice(dm(), name, error));
    EXPECT_EQ(window.opened.size(), 2); // identified: no window any more
    dm().setDialogs(nullptr);
}

TEST_F(IdentificationSocieteTest, OldTableGetsItsMissingColumns)
{
    SqlQuery::run(db(), u"DROP TABLE T_IDENTIFICATION_SOCIETE"_s);
    SqlQuery::run(db(), u"CREATE TABLE T_IDENTIFICATION_SOCIETE (societe_id INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "RAISON_SOCIALE TEXT(200), email TEXT(100))"_s);
    SqlQuery::run(db(), u"INSERT INTO T_IDENTIFICATION_SOCIETE (RAISON_SOCIALE, email) VALUES ('Ancienne', 'a@b.fr')"_s);
    Societe::EnsureTable(dm());
    for (const QString &column : {u"raison_sociale"_s, u"code_securite_console"_s, u"repertoire_export"_s,
                                  u"bridge_external_user_id"_s, u"user_modification"_s})
        EXPECT_TRUE(Societe::ColumnExists(dm(), u"T_IDENTIFICATION_SOCIETE"_s, column)) << column.toStdString();
    EXPECT_FALSE(Societe::ColumnExists(dm(), u"T_IDENTIFICATION_SOCIETE"_s, u"forme_juridique"_s));

    QString code;
    QString error;
    ASSERT_TRUE(Societe::AssurerCodeSecuriteConsolePersistant(dm(), code, error)) << error.toStdString();
    EXPECT_EQ(stored(u"code_securite_console"_s), code);
    EXPECT_EQ(stored(u"raison_sociale"_s), u"Ancienne"_s);
}
