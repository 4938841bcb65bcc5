// The command line: where options may stand, what they turn into, and one-line usage errors.
#include "Options.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using cmhost::CommandLine;
using cmhost::HostCommand;
using cmhost::ParseCommandLine;
using cmhost::ParseSystemVersion;

void ExpectUsageError(const std::vector<std::string>& arguments, const std::string& mentions)
{
    CommandLine line = ParseCommandLine(arguments);
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Error) << "arguments: " << testing::PrintToString(arguments);
    EXPECT_EQ(line.output.find('\n'), std::string::npos) << "one line: " << line.output;
    EXPECT_EQ(line.output.rfind("cmhost: ", 0), 0u) << line.output;
    EXPECT_NE(line.output.find(mentions), std::string::npos) << line.output;
}

TEST(Options, HostOptionsStandBeforeOrAfterTheSubcommand)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--plugins", "/p", "--system-version", "10.1.5", "--option", "menu", "--json"},
          std::vector<std::string>{"menu", "--json", "--plugins", "/p", "--system-version", "10.1.5", "--option"},
          std::vector<std::string>{"--plugins", "/p", "menu", "--option", "--json", "--system-version", "10.1.5"}}) {
        CommandLine line = ParseCommandLine(arguments);
        ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.output;
        EXPECT_EQ(line.options.command, HostCommand::Menu);
        EXPECT_TRUE(line.options.json);
        EXPECT_EQ(line.options.plugins, "/p");
        EXPECT_EQ(line.options.systemVersion, 0x1015);
        EXPECT_TRUE(line.options.optionKey);
    }
}

TEST(Options, NoSubcommandIsTheInteractiveSessionOverANullContext)
{
    CommandLine line = ParseCommandLine({"--document", "/tmp/doc.txt"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.output;
    EXPECT_EQ(line.options.command, HostCommand::Interactive);
    EXPECT_EQ(line.options.document, "/tmp/doc.txt");
    EXPECT_EQ(line.options.context.type, static_cast<DescType>(typeNull));
    EXPECT_TRUE(line.options.context.bytes.empty());
    EXPECT_FALSE(line.options.json);
    EXPECT_FALSE(line.options.systemVersion.has_value());
}

TEST(Options, TextBecomesUnicodeTextInHostOrder)
{
    CommandLine line = ParseCommandLine({"menu", "--text", "h\xC3\xA9\xF0\x9F\x98\x80"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.output;
    EXPECT_EQ(line.options.context.type, static_cast<DescType>(typeUnicodeText));
    const UniChar expected[] = {0x68, 0xE9, 0xD83D, 0xDE00};
    ASSERT_EQ(line.options.context.bytes.size(), sizeof expected);
    EXPECT_EQ(std::memcmp(line.options.context.bytes.data(), expected, sizeof expected), 0);
    EXPECT_EQ(line.options.text, "h\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(Options, ContextTakesAnyTypeAndItsBytes)
{
    CommandLine line = ParseCommandLine({"menu", "--context", "TEXT:41fF00"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.output;
    EXPECT_EQ(line.options.context.type, static_cast<DescType>('TEXT'));
    EXPECT_EQ(line.options.context.bytes, std::string("A\xFF\0", 3));

    line = ParseCommandLine({"menu", "--context", "snd :"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.output;
    EXPECT_EQ(line.options.context.type, static_cast<DescType>('snd '));
    EXPECT_TRUE(line.options.context.bytes.empty());
}

TEST(Options, BadContextIsAUsageError)
{
    ExpectUsageError({"menu", "--context", "utxt"}, "TYPE:HEX");
    ExpectUsageError({"menu", "--context", "txt:41"}, "four characters");
    ExpectUsageError({"menu", "--context", "utxt5:41"}, "four characters");
    ExpectUsageError({"menu", "--context", "utxt:410"}, "even");
    ExpectUsageError({"menu", "--context", "utxt:4g"}, "4g");
    ExpectUsageError({"--context", "utxt:00", "--text", "a", "menu"}, "--text");
}

TEST(Options, OtherUsageErrors)
{
    ExpectUsageError({"menu", "--frobnicate"}, "--frobnicate");
    ExpectUsageError({"frobnicate"}, "frobnicate");
    ExpectUsageError({"menu", "--plugins"}, "--plugins");
    ExpectUsageError({"--system-version", "10.10.1", "menu"}, "10.10.1");
    ExpectUsageError({"--cocoa-selection", "abc", "menu"}, "--cocoa");
    ExpectUsageError({"--text", "\xFF", "menu"}, "UTF-8");
    ExpectUsageError({"--cocoa", "--cocoa-selection", "\xC3", "menu"}, "UTF-8");
    ExpectUsageError({"menu", "menu"}, "menu");
}

TEST(Options, HelpIsNotAnError)
{
    CommandLine line = ParseCommandLine({"--help"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Help);
    EXPECT_NE(line.output.find("menu"), std::string::npos);
    EXPECT_NE(line.output.find("--plugins"), std::string::npos);
    EXPECT_NE(line.output.find("XDG_DATA_HOME"), std::string::npos);

    line = ParseCommandLine({"menu", "--help"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Help);
    EXPECT_NE(line.output.find("--json"), std::string::npos);
}

TEST(Options, SystemVersionInGestaltForm)
{
    EXPECT_EQ(ParseSystemVersion("10.6.8"), 0x1068);
    EXPECT_EQ(ParseSystemVersion("10.2"), 0x1020);
    EXPECT_EQ(ParseSystemVersion("10.1.9"), 0x1019);
    for (const char* bad : {"", "10", "10.", "10.6.", "9.2.2", "10.x.1", "10.6.8.1", "10.10", "11.0.0", " 10.6"})
        EXPECT_FALSE(ParseSystemVersion(bad).has_value()) << bad;
}

}  // namespace
