#include "security/MorvaneSecurityUsers.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Security = MorvaneSecurityUsers;

namespace {

const QString kSalt = u"0123456789ABCDEF0123456789ABCDEF"_s;
const QString kPassword = u"Motdepasse1é"_s;
// Digests computed independently (Python hashlib) for kSalt and kPassword.
const QString kRound1 = u"619AA4EE6DFA3825FC38334D6902C18056AEBBF6622A1EBC15EC62659275D210"_s;
const QString kRound2 = u"5D65DB94A24A24337DC140BBBE6841105F8A6796E8290D735ED48364E37297DD"_s;
const QString kRound1000 = u"EA39E10D8BB640A158E650F831CE699634BE1504275104CE00C8126F2C557911"_s;

QString stored(const QString &prefix, const QString &iterations, const QString &digest)
{
    return prefix + u'$' + iterations + u'$' + kSalt + u'$' + digest;
}

} // namespace

TEST(PasswordHashTest, InternalHashChainsLowerCaseRoundsAndReturnsUpperCase)
{
    EXPECT_EQ(Security::HashInterne(kPassword, kSalt, 1), kRound1);
    EXPECT_EQ(Security::HashInterne(kPassword, kSalt, 0), kRound1);
    EXPECT_EQ(Security::HashInterne(kPassword, kSalt, 2), kRound2);
    EXPECT_EQ(Security::HashInterne(kPassword, kSalt, 1000), kRound1000);
}

TEST(PasswordHashTest, NewHashHasTheStoredFormatAndANewSaltEachTime)
{
    const QString first = Security::CreerHashMotDePasse(kPassword);
    const QString second = Security::CreerHashMotDePasse(kPassword);
    const QRegularExpression format(u"^MORVANESHA256\\$30000\\$[0-9A-F]{32}\\$[0-9A-F]{64}$"_s);
    EXPECT_TRUE(format.match(first).hasMatch()) << first.toStdString();
    EXPECT_NE(first, second);
    EXPECT_TRUE(Security::VerifierHashMotDePasse(kPassword, first));
    EXPECT_TRUE(Security::VerifierHashMotDePasse(kPassword, second));
    EXPECT_FALSE(Security::VerifierHashMotDePasse(u"Motdepasse1e"_s, first));
    // Used exactly as typed: no trimming.
    EXPECT_FALSE(Security::VerifierHashMotDePasse(kPassword + u' ', first));
}

TEST(PasswordHashTest, StoredHashVerificationRules)
{
    const QString digest999 = Security::HashInterne(kPassword, kSalt, 999);
    const QString digest500001 = Security::HashInterne(kPassword, kSalt, 500001);
    struct Case
    {
        const char *what;
        QString stored;
        bool verifies;
    };
    const std::vector<Case> cases = {
        {"reference", stored(u"MORVANESHA256"_s, u"1000"_s, kRound1000), true},
        {"prefix in lower case", stored(u"morvanesha256"_s, u"1000"_s, kRound1000), true},
        {"prefix in mixed case", stored(u"MorvaneSha256"_s, u"1000"_s, kRound1000), true},
        {"digest in lower case", stored(u"MORVANESHA256"_s, u"1000"_s, kRound1000.toLower()), true},
        {"999 iterations", stored(u"MORVANESHA256"_s, u"999"_s, digest999), false},
        {"500001 iterations", stored(u"MORVANESHA256"_s, u"500001"_s, digest500001), false},
        {"non-numeric iterations", stored(u"MORVANESHA256"_s, u"mille"_s, kRound1000), false},
        {"signed iterations", stored(u"MORVANESHA256"_s, u"+1000"_s, kRound1000), false},
        {"spaced iterations", stored(u"MORVANESHA256"_s, u" 1000"_s, kRound1000), false},
        {"other prefix", stored(u"MORVANESHA512"_s, u"1000"_s, kRound1000), false},
        {"prefix with a non-ASCII look-alike", stored(u"MORVANEſHA256"_s, u"1000"_s, kRound1000), false},
        {"three parts", u"MORVANESHA256$1000$"_s + kRound1000, false},
        {"five parts", stored(u"MORVANESHA256"_s, u"1000"_s, kRound1000) + u"$"_s, false},
        {"digest cut short", stored(u"MORVANESHA256"_s, u"1000"_s, kRound1000.left(63)), false},
        {"empty", QString(), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Security::VerifierHashMotDePasse(kPassword, c.stored), c.verifies) << c.what;
}

TEST(PasswordHashTest, ConstantTimeComparison)
{
    EXPECT_TRUE(Security::ComparaisonConstante(u"ABC"_s, u"ABC"_s));
    EXPECT_TRUE(Security::ComparaisonConstante(QString(), QString()));
    EXPECT_FALSE(Security::ComparaisonConstante(u"ABC"_s, u"ABD"_s));
    EXPECT_FALSE(Security::ComparaisonConstante(u"XBC"_s, u"ABC"_s));
    EXPECT_FALSE(Security::ComparaisonConstante(u"ABC"_s, u"ABCD"_s));
    EXPECT_FALSE(Security::ComparaisonConstante(u"abc"_s, u"ABC"_s));
}

TEST(PasswordHashTest, PasswordRule)
{
    const QString tooShort = u"Le mot de passe doit contenir au moins 8 caracteres."_s;
    const QString letterAndDigit = u"Le mot de passe doit contenir au moins une lettre et un chiffre."_s;
    struct Case
    {
        QString password;
        QString error;
    };
    const std::vector<Case> cases = {
        {u"abcdefg1"_s, {}},
        {u"        a1"_s, {}},
        {u"abcdefgh"_s, letterAndDigit},
        {u"12345678"_s, letterAndDigit},
        {u"éèàùçôî1"_s, letterAndDigit},
        {u"ab1"_s, tooShort},
        {u"abcdef1"_s, tooShort},
        {QString(), tooShort},
    };
    for (const Case &c : cases) {
        QString error = u"avant"_s;
        EXPECT_EQ(Security::MotDePasseValide(c.password, error), c.error.isEmpty()) << c.password.toStdString();
        EXPECT_EQ(error, c.error) << c.password.toStdString();
    }
}

TEST(PasswordHashTest, MaskedEmail)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {u"jean.dupont@exemple.fr"_s, u"j***@exemple.fr"_s},
        {u"a@b"_s, u"a***@b"_s},
        {u"x@y@z"_s, u"x***@y@z"_s},
        {QString(), u"email non renseigne"_s},
        {u"@exemple.fr"_s, u"email non renseigne"_s},
        {u"sans-arobase"_s, u"email non renseigne"_s},
    };
    for (const auto &[email, masked] : cases)
        EXPECT_EQ(Security::MasquerEmail(email), masked) << email.toStdString();
}

TEST(PasswordHashTest, SaltsAndCodes)
{
    const QRegularExpression hex32(u"^[0-9A-F]{32}$"_s);
    const QRegularExpression sixDigits(u"^[0-9]{6}$"_s);
    EXPECT_TRUE(hex32.match(Security::NouveauSel()).hasMatch());
    EXPECT_NE(Security::NouveauSel(), Security::NouveauSel());
    const QDateTime now(QDate(2026, 3, 15), QTime(10, 0));
    EXPECT_TRUE(sixDigits.match(Security::NouveauCode(now)).hasMatch());
}

TEST(PasswordHashTest, RecoveryCodeHashIgnoresLoginCaseAndSpaces)
{
    const QString hash = Security::HashCodeRecuperation(u"  jean "_s, kSalt, u"123456"_s);
    EXPECT_EQ(hash, Security::HashCodeRecuperation(u"JEAN"_s, kSalt, u"123456"_s));
    EXPECT_NE(hash, Security::HashCodeRecuperation(u"JEAN"_s, kSalt, u"123457"_s));
    EXPECT_TRUE(QRegularExpression(u"^[0-9A-F]{64}$"_s).match(hash).hasMatch());
}
