#include "common/AnsiText.h"
#include "common/AtomicFile.h"
#include "common/DayNumber.h"
#include "common/FrenchFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(DayNumber, CountsFromDecember1899)
{
    EXPECT_DOUBLE_EQ(DayNumber::fromDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(DayNumber::fromDateTime(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    const QDateTime t(QDate(2024, 3, 5), QTime(14, 30, 15));
    EXPECT_EQ(DayNumber::toDateTime(DayNumber::fromDateTime(t)), t);
    EXPECT_EQ(DayNumber::fromDateTime(QDateTime()), 0.0);
}

TEST(FrenchFormat, DatesAndAmounts)
{
    EXPECT_EQ(FrenchFormat::sqlDate(QDate(2024, 3, 5)), QStringLiteral("2024-03-05"));
    EXPECT_EQ(FrenchFormat::sqlTime(QTime(7, 5, 9)), QStringLiteral("07:05:09"));
    EXPECT_EQ(FrenchFormat::displayDate(QDate(2024, 3, 5)), QStringLiteral("05/03/2024"));
    EXPECT_FALSE(FrenchFormat::parseSqlDate(QStringLiteral("2024-02-30")).isValid());
    EXPECT_EQ(FrenchFormat::parseDisplayDate(QStringLiteral("31/12/2024")), QDate(2024, 12, 31));
    EXPECT_EQ(FrenchFormat::amountPoint(-12.5), QStringLiteral("-12.50"));
    EXPECT_EQ(FrenchFormat::amountComma(45.9), QStringLiteral("45,90"));
    EXPECT_EQ(FrenchFormat::amountPoint(-0.001), QStringLiteral("0.00"));
    EXPECT_EQ(FrenchFormat::amountPoint(0.125), QStringLiteral("0.13"));
    EXPECT_EQ(FrenchFormat::amountPoint(-1234567.5), QStringLiteral("-1234567.50"));
    double v = 0;
    EXPECT_TRUE(FrenchFormat::parseAmount(QStringLiteral("-12,30"), v));
    EXPECT_DOUBLE_EQ(v, -12.3);
    EXPECT_FALSE(FrenchFormat::parseAmount(QStringLiteral("12 000"), v));
    EXPECT_FALSE(FrenchFormat::parseAmount(QStringLiteral("abc"), v));
}

TEST(AnsiText, EncodesWindows1252WithQuestionMarks)
{
    EXPECT_EQ(AnsiText::encode(QStringLiteral("Café €")), QByteArray("Caf\xE9 \x80"));
    EXPECT_EQ(AnsiText::encode(QStringLiteral("œ’…")), QByteArray("\x9C\x92\x85"));
    EXPECT_EQ(AnsiText::encode(QStringLiteral("Ω")), QByteArray("?"));
    EXPECT_EQ(AnsiText::encode(QString::fromUtf8("\xF0\x9F\x98\x80")), QByteArray("?")); // one emoji, one '?'
    EXPECT_EQ(AnsiText::decode(QByteArray("Caf\xE9 \x80")), QStringLiteral("Café €"));
    EXPECT_EQ(AnsiText::encodeLines({QStringLiteral("a"), QStringLiteral("é")}), QByteArray("a\r\n\xE9\r\n"));
}

TEST(AtomicFile, WritesWholeFileOrReportsInFrench)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/out.csv");
    QString error;
    ASSERT_TRUE(AtomicFile::write(path, QByteArray("abc"), error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("abc"));
    EXPECT_FALSE(AtomicFile::write(dir.path() + QStringLiteral("/absent/out.csv"), QByteArray("x"), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Impossible de créer le fichier"))) << error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.csv")});
}
