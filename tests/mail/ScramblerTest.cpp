#include "mail/Scrambler.h"

#include <QStringList>

#include <gtest/gtest.h>

TEST(Scrambler, RoundTripsTextBelow256)
{
    QString every;
    for (char16_t c = 1; c < 256; ++c)
        every.append(QChar(c));
    for (const QString &value : {QStringLiteral("secret-Bridge_2025"), QStringLiteral("mot de passe été"), every,
                                 QString(200, QLatin1Char('x'))}) {
        const QString stored = Scrambler::encrypt(value);
        EXPECT_NE(stored, value);
        EXPECT_EQ(Scrambler::Decrypt(stored), value);
        EXPECT_EQ(Scrambler::XorText(Scrambler::XorText(value)), value);
    }
}

TEST(Scrambler, StoredFormIsBase64InLinesOf76)
{
    const QString stored = Scrambler::encrypt(QString(200, QLatin1Char('x')));
    const QStringList lines = stored.split(QStringLiteral("\r\n"));
    ASSERT_GT(lines.size(), 1);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        EXPECT_EQ(lines.at(i).size(), 76);
}

TEST(Scrambler, EmptyAndSurroundingWhitespace)
{
    EXPECT_TRUE(Scrambler::encrypt(QString()).isEmpty());
    EXPECT_TRUE(Scrambler::Decrypt(QString()).isEmpty());
    const QString stored = Scrambler::encrypt(QStringLiteral("client-id-123"));
    EXPECT_EQ(Scrambler::Decrypt(QStringLiteral("  \r\n") + stored + QStringLiteral("\n  ")),
              QStringLiteral("client-id-123"));
    QString broken = stored;
    broken.insert(4, QStringLiteral("\r\n"));
    EXPECT_EQ(Scrambler::Decrypt(broken), QStringLiteral("client-id-123"));
}
