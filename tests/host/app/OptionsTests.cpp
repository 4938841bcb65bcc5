// The command line: what the options turn into (the --dialog answers keeping their order before and
// after the subcommand), and one-line usage errors.
#include "app/Options.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using cmhost::CommandLine;
using cmhost::HostCommand;
using cmhost::ParseCommandLine;
using cmhost::ParseSystemVersion;

CommandLine Parse(const std::vector<std::string>& arguments)
{
    CommandLine line = ParseCommandLine(arguments);
    EXPECT_EQ(line.outcome, CommandLine::Outcome::Run) << line.output;
    return line;
}

TEST(Options, TextBecomesUnicodeTextInHostOrder)
{
    CommandLine line = Parse({"menu", "--text", "h\xC3\xA9\xF0\x9F\x98\x80"});
    EXPECT_EQ(line.options.context.type, static_cast<DescType>(typeUnicodeText));
    const UniChar expected[] = {0x68, 0xE9, 0xD83D, 0xDE00};
    ASSERT_EQ(line.options.context.bytes.size(), sizeof expected);
    EXPECT_EQ(std::memcmp(line.options.context.bytes.data(), expected, sizeof expected), 0);
    EXPECT_EQ(line.options.text, "h\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(Options, ContextTakesAnyTypeAndItsBytes)
{
    CommandLine line = Parse({"menu", "--context", "TEXT:41fF00"});
    EXPECT_EQ(line.options.context.type, static_cast<DescType>('TEXT'));
    EXPECT_EQ(line.options.context.bytes, std::string("A\xFF\0", 3));

    line = Parse({"menu", "--context", "snd :"});
    EXPECT_EQ(line.options.context.type, static_cast<DescType>('snd '));
    EXPECT_TRUE(line.options.context.bytes.empty());
}

TEST(Options, UsageErrorsAreOneLineThatNamesTheCause)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"menu", "--context", "utxt"}, "TYPE:HEX"},
        {{"menu", "--context", "txt:41"}, "four characters"},
        {{"menu", "--context", "utxt5:41"}, "four characters"},
        {{"menu", "--context", "utxt:410"}, "even"},
        {{"menu", "--context", "utxt:4g"}, "4g"},
        {{"--context", "utxt:00", "--text", "a", "menu"}, "--text"},
        {{"menu", "--frobnicate"}, "--frobnicate"},
        {{"frobnicate"}, "frobnicate"},
        {{"menu", "--plugins"}, "--plugins"},
        {{"--system-version", "10.4.x", "menu"}, "10.4.x"},
        {{"--cocoa-selection", "abc", "menu"}, "--cocoa"},
        {{"--text", "\xFF", "menu"}, "UTF-8"},
        {{"--cocoa", "--cocoa-selection", "\xC3", "menu"}, "UTF-8"},
        {{"menu", "menu"}, "menu"},
        {{"--dialog", "{\"name\":\n 3}", "menu"}, "\"name\""},
        {{"--dialog", "not json", "menu"}, "not a JSON object"},
        {{"--dialog", "[1]", "menu"}, "not a JSON object"},
        {{"--dialog", "{\"name\":", "menu"}, "not a JSON object"},
        {{"--dialog", R"({"secure":"yes"})", "menu"}, "\"secure\""},
        {{"--dialog", R"({"title":"x"})", "menu"}, "unknown field \"title\""},
        {{"menu", "--dialog", R"({"button":"yes"})"}, "button"},
        {{"menu", "--dialog"}, "--dialog"},
        {{"--alert", "OK", "menu"}, "--alert"},
        {{"--alert", "menu"}, "--alert"},
        {{"menu", "--password-file"}, "--password-file"},
    };
    for (const auto& [arguments, mentions] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        CommandLine line = ParseCommandLine(arguments);
        ASSERT_EQ(line.outcome, CommandLine::Outcome::Error);
        EXPECT_EQ(line.output.find('\n'), std::string::npos) << "one line: " << line.output;
        EXPECT_EQ(line.output.rfind("cmhost: ", 0), 0u) << line.output;
        EXPECT_NE(line.output.find(mentions), std::string::npos) << line.output;
    }
}

TEST(Options, DialogAnswersKeepTheirOrderBeforeAndAfterTheSubcommand)
{
    CommandLine line = Parse({"--dialog", R"({"name":"one"})", "choose", "--id", "101", "--dialog",
                              R"({"button":"cancel"})", "--json", "--dialog",
                              R"({"name":"three","submenu":"/S/Work","secure":true,"plainText":false,"button":"close"})"});
    ASSERT_EQ(line.options.dialogs.size(), 3u);
    EXPECT_EQ(line.options.dialogs[0].name, "one");
    EXPECT_EQ(line.options.dialogs[0].button, "ok");
    EXPECT_FALSE(line.options.dialogs[1].name.has_value()) << "absent fields stay unset";
    EXPECT_FALSE(line.options.dialogs[1].secure.has_value());
    EXPECT_EQ(line.options.dialogs[1].button, "cancel");
    EXPECT_EQ(line.options.dialogs[2].name, "three");
    EXPECT_EQ(line.options.dialogs[2].submenu, "/S/Work");
    EXPECT_EQ(line.options.dialogs[2].secure, true);
    EXPECT_EQ(line.options.dialogs[2].plainText, false);
    EXPECT_EQ(line.options.dialogs[2].button, "close");
    EXPECT_EQ(line.options.chooseId, 101);
    EXPECT_TRUE(line.options.json);
    EXPECT_FALSE(line.options.alertButton.has_value());
    EXPECT_FALSE(line.options.passwordFile.has_value());

    line = Parse({"menu", "--alert", "cancel", "--password-file", "/run/pw"});
    EXPECT_EQ(line.options.alertButton, "cancel");
    EXPECT_EQ(line.options.passwordFile, "/run/pw");
    EXPECT_TRUE(line.options.dialogs.empty());
    EXPECT_EQ(Parse({"--alert", "ok", "menu"}).options.alertButton, "ok");
}

TEST(Options, SystemVersionInGestaltForm)
{
    // One hexadecimal digit per number: a number above 9 is answered as 9, as the original system did.
    const std::pair<const char*, SInt32> good[] = {
        {"10.6.8", 0x1068}, {"10.2", 0x1020}, {"10.1.9", 0x1019}, {"10.4.11", 0x1049},
        {"10.10", 0x1090},  {"10.12.6", 0x1096}, {"10.06.0", 0x1060}, {"10.3.123456789012345678901", 0x1039},
    };
    for (const auto& [text, version] : good)
        EXPECT_EQ(ParseSystemVersion(text), version) << text;
    for (const char* bad : {"", "10", "10.", "10.6.", "9.2.2", "10.x.1", "10.6.8.1", "10..1", "10.-1", "11.0.0", " 10.6",
                            "10.6 "})
        EXPECT_FALSE(ParseSystemVersion(bad).has_value()) << bad;
}

}  // namespace
