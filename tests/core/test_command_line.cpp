#include "app/command_line.h"

#include <gtest/gtest.h>

using namespace qorn;
using Action = CommandLine::Action;

namespace {

CommandLine parse(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args) list << QString::fromUtf8(a);
    return parseCommandLine(list);
}

} // namespace

TEST(CommandLine, NamesAreJoinedIntoOnePathAsALauncherSplitThem) {
    EXPECT_EQ(parse({}).action, Action::Run);
    EXPECT_TRUE(parse({}).path.isEmpty());
    EXPECT_EQ(parse({"/home/a/編み図/chart.qrd"}).path, QStringLiteral("/home/a/編み図/chart.qrd"));
    // A launcher without a shell hands "/home/a/my charts/heart  1.qrd" over in pieces.
    const CommandLine split = parse({"/home/a/my", "charts/heart", "", "1.qrd"});
    EXPECT_EQ(split.action, Action::Run);
    EXPECT_EQ(split.path, QStringLiteral("/home/a/my charts/heart  1.qrd"));
    // A lone dash is a name; so is everything after "--", dashes and all.
    EXPECT_EQ(parse({"-"}).path, QStringLiteral("-"));
    const CommandLine ended = parse({"--", "--help", "-x.qrd"});
    EXPECT_EQ(ended.action, Action::Run);
    EXPECT_EQ(ended.path, QStringLiteral("--help -x.qrd"));
    EXPECT_EQ(parse({"a", "--", "b"}).path, QStringLiteral("a b"));
}

TEST(CommandLine, QtsOwnOptionsAndTheirValuesAreNotPartOfThePath) {
    EXPECT_EQ(parse({"-platform", "offscreen", "my", "chart.qrd"}).path, QStringLiteral("my chart.qrd"));
    EXPECT_EQ(parse({"my", "--style", "fusion", "chart.qrd"}).path, QStringLiteral("my chart.qrd"));
    EXPECT_EQ(parse({"-style=fusion", "-reverse", "chart.qrd"}).path, QStringLiteral("chart.qrd"));
    EXPECT_EQ(parse({"-qwindowtitle", "-h", "chart.qrd"}).action, Action::Run); // "-h" is the title here
    // Qt reads no "=" form of -platform: it would stay in the arguments, so it is refused.
    EXPECT_EQ(parse({"-platform=offscreen"}).action, Action::Error);
}

TEST(CommandLine, HelpAndVersionInEitherSpellingAndTheFirstDecision) {
    for (const char* a : {"--help", "-h"}) EXPECT_EQ(parse({a}).action, Action::Help) << a;
    for (const char* a : {"--version", "-v"}) EXPECT_EQ(parse({a}).action, Action::Version) << a;
    EXPECT_EQ(parse({"chart.qrd", "--version"}).action, Action::Version);
    EXPECT_EQ(parse({"--version", "--bogus"}).action, Action::Version);
    EXPECT_EQ(parse({"--help", "--version"}).action, Action::Help);
    EXPECT_EQ(parse({"--bogus", "--help"}).action, Action::Error);
}

TEST(CommandLine, UnknownOptionsAreNamedInTheMessage) {
    for (const char* a : {"--bogus", "-x", "---", "--help=1", "-help", "--Version"}) {
        const CommandLine c = parse({"chart.qrd", a});
        EXPECT_EQ(c.action, Action::Error) << a;
        EXPECT_TRUE(c.message.contains(QLatin1String(a))) << c.message.toStdString();
        EXPECT_TRUE(c.message.endsWith(QLatin1Char('\n')));
        EXPECT_TRUE(c.path.isEmpty());
    }
}
