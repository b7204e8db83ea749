#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <array>

namespace {

QStringList params(std::initializer_list<const char *> words)
{
    QStringList out;
    for (const char *w : words)
        out << QString::fromUtf8(w);
    return out;
}

} // namespace

TEST(CommandLine, RecognisesModeWordsWithPrefixesAndCase)
{
    struct Case
    {
        QStringList args;
        bool synchro;
        bool exporter;
    };
    const std::array<Case, 9> cases = {{
        {params({"--SYNCHRO"}), true, false},
        {params({" synchro ", "ABCD1234"}), true, false},
        {params({"-Synchro"}), true, false},
        {params({"/export"}), false, true},
        {params({"--export"}), false, true},
        {params({"exporter"}), false, false},
        {params({"---synchro"}), false, false},
        {params({"synchro", "x", "--export"}), true, true},
        {params({}), false, false},
    }};
    for (const Case &c : cases) {
        EXPECT_EQ(CommandLine::ModeSynchroCommandeDemande(c.args), c.synchro) << c.args.join(u' ').toStdString();
        EXPECT_EQ(CommandLine::ModeExportCommandeDemande(c.args), c.exporter) << c.args.join(u' ').toStdString();
        EXPECT_EQ(CommandLine::ModeCommandeSilencieuseDemandee(c.args), c.synchro || c.exporter);
    }
}

TEST(CommandLine, PositionIsOneBasedAndFirstMatch)
{
    const QStringList args = params({"foo", "/EXPORT", "export"});
    EXPECT_EQ(CommandLine::PositionParametreCommande(args, QStringLiteral("export")), 2);
    EXPECT_EQ(CommandLine::PositionParametreCommande(args, QStringLiteral("synchro")), 0);
}
