#include "bridge/JsonDocument.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

JsonDocument parsed(const char *text)
{
    JsonDocument doc;
    EXPECT_TRUE(doc.load(QByteArray(text))) << text;
    return doc;
}

} // namespace

TEST(JsonDocumentTest, NumbersReadBackAsTheirJsonText)
{
    const JsonDocument doc = parsed(R"({"id": 38000000101001, "big": 18446744073709551615,
        "huge": 123456789012345678901234, "neg": -42, "amount": -12.50, "zero": 0.0,
        "exp": 1e3, "tiny": 0.0000001, "text": "12,50", "t": true, "f": false, "n": null})");
    const struct
    {
        const char *path;
        const char *expected;
    } cases[] = {
        {"id", "38000000101001"},
        {"big", "18446744073709551615"},
        {"huge", "123456789012345678901234"},
        {"neg", "-42"},
        {"amount", "-12.50"},
        {"zero", "0.0"},
        {"exp", "1e3"},
        {"tiny", "0.0000001"},
        {"text", "12,50"},
        {"t", "true"},
        {"f", "false"},
        {"n", ""},
        {"missing", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(doc.stringOf(QString::fromLatin1(c.path)), QString::fromLatin1(c.expected)) << c.path;
}

TEST(JsonDocumentTest, PathsFollowMembersAndTheCurrentIndex)
{
    JsonDocument doc = parsed(R"({"resources": [{"id": 1, "acc": {"iban": "FR76"}}, {"id": 2, "deleted": true}],
        "pagination": {"next_uri": "/v3/x?after=abc"}, "empty": []})");
    EXPECT_EQ(doc.sizeOfArray(QStringLiteral("resources")), 2);
    EXPECT_EQ(doc.sizeOfArray(QStringLiteral("empty")), 0);
    EXPECT_EQ(doc.sizeOfArray(QStringLiteral("pagination")), -1);
    EXPECT_EQ(doc.sizeOfArray(QStringLiteral("nothing")), -1);
    EXPECT_EQ(doc.stringOf(QStringLiteral("pagination.next_uri")), QStringLiteral("/v3/x?after=abc"));

    doc.putI(0);
    EXPECT_EQ(doc.stringOf(QStringLiteral("resources[i].id")), QStringLiteral("1"));
    EXPECT_EQ(doc.stringOf(QStringLiteral("resources[i].acc.iban")), QStringLiteral("FR76"));
    EXPECT_FALSE(doc.boolOf(QStringLiteral("resources[i].deleted")));
    doc.putI(1);
    EXPECT_EQ(doc.stringOf(QStringLiteral("resources[i].id")), QStringLiteral("2"));
    EXPECT_TRUE(doc.boolOf(QStringLiteral("resources[i].deleted")));
    doc.putI(2);
    EXPECT_EQ(doc.stringOf(QStringLiteral("resources[i].id")), QString());
    EXPECT_EQ(doc.stringOf(QStringLiteral("resources[1].id")), QStringLiteral("2"));
    // Objects and arrays have no text of their own; broken paths find nothing.
    EXPECT_EQ(doc.stringOf(QStringLiteral("pagination")), QString());
    EXPECT_EQ(doc.stringOf(QStringLiteral("resources[x].id")), QString());
    EXPECT_EQ(doc.stringOf(QStringLiteral("resources[0.id")), QString());
}

TEST(JsonDocumentTest, MalformedTextLeavesAnEmptyDocument)
{
    for (const char *text : {"{\"resources\": [{\"id\": 1}", "<html><body>502 Bad Gateway</body></html>", ""}) {
        JsonDocument doc;
        EXPECT_FALSE(doc.load(QByteArray(text))) << text;
        EXPECT_FALSE(doc.lastError().isEmpty());
        EXPECT_EQ(doc.sizeOfArray(QStringLiteral("resources")), -1);
        EXPECT_EQ(doc.emitIndented(), QStringLiteral("{}"));
    }
}

TEST(JsonDocumentTest, BuildsBodiesAndDumpsIndented)
{
    JsonDocument body;
    body.updateString(QStringLiteral("external_user_id"), QStringLiteral("SARL-DUVAL"));
    body.updateString(QStringLiteral("session.note"), QStringLiteral("é \"q\"\n"));
    EXPECT_EQ(body.emitCompact(),
              QByteArray(R"({"external_user_id":"SARL-DUVAL","session":{"note":"é \"q\"\n"}})"));

    const JsonDocument doc = parsed(R"({"a": [1, 2.50], "b": {}, "c": []})");
    EXPECT_EQ(doc.emitIndented(), QStringLiteral("{\n  \"a\": [\n    1,\n    2.50\n  ],\n  \"b\": {},\n  \"c\": []\n}"));
}

TEST(JsonDocumentTest, BoundedDumpOfALargeDocumentBuildsOnlyWhatIsKept)
{
    QByteArray big = "{\"resources\": [";
    for (int i = 0; i < 5000; ++i)
        big += (i ? "," : "") + QByteArray("{\"id\": ") + QByteArray::number(i)
            + ", \"clean_description\": \"Prélèvement très long numéro " + QByteArray::number(i) + "\"}";
    big += "], \"long\": \"" + QByteArray(1'000'000, 'x') + "\"}";
    JsonDocument doc;
    ASSERT_TRUE(doc.load(big));
    const QString cut = doc.emitIndented(4000);
    EXPECT_EQ(cut.size(), 4000);
    EXPECT_TRUE(doc.emitIndented().startsWith(cut));
    EXPECT_FALSE(cut.contains(QChar(0xFFFD)));
}
