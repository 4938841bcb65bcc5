// The options of the user the host plays: --dialog answers in order wherever they stand, --alert,
// --password-file, their one-line usage errors, and what --help says about them.
#include "Options.h"

#include <gtest/gtest.h>

namespace {

using cmhost::CommandLine;
using cmhost::ParseCommandLine;

CommandLine Parse(const std::vector<std::string>& arguments)
{
    CommandLine line = ParseCommandLine(arguments);
    EXPECT_EQ(line.outcome, CommandLine::Outcome::Run) << line.output;
    return line;
}

void ExpectUsageError(const std::vector<std::string>& arguments, const std::string& mentions)
{
    CommandLine line = ParseCommandLine(arguments);
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Error) << testing::PrintToString(arguments);
    EXPECT_EQ(line.output.find('\n'), std::string::npos) << line.output;
    EXPECT_EQ(line.output.rfind("cmhost: ", 0), 0u) << line.output;
    EXPECT_NE(line.output.find(mentions), std::string::npos) << line.output;
}

TEST(UserOptions, DialogAnswersKeepTheirOrderBeforeAndAfterTheSubcommand)
{
    CommandLine line = Parse({"--dialog", R"({"name":"one"})", "choose", "--id", "101", "--dialog",
                              R"({"button":"cancel"})", "--json", "--dialog", R"({"name":"three","secure":true})"});
    ASSERT_EQ(line.options.dialogs.size(), 3u);
    EXPECT_EQ(line.options.dialogs[0].name, "one");
    EXPECT_EQ(line.options.dialogs[0].button, "ok");
    EXPECT_FALSE(line.options.dialogs[1].name.has_value());
    EXPECT_EQ(line.options.dialogs[1].button, "cancel");
    EXPECT_EQ(line.options.dialogs[2].name, "three");
    EXPECT_EQ(line.options.dialogs[2].secure, true);
    EXPECT_EQ(line.options.chooseId, 101);
    EXPECT_TRUE(line.options.json);
    EXPECT_FALSE(line.options.alertButton.has_value());
    EXPECT_FALSE(line.options.passwordFile.has_value());
}

TEST(UserOptions, AlertAndPasswordFile)
{
    CommandLine line = Parse({"menu", "--alert", "cancel", "--password-file", "/run/pw"});
    EXPECT_EQ(line.options.alertButton, "cancel");
    EXPECT_EQ(line.options.passwordFile, "/run/pw");
    EXPECT_TRUE(line.options.dialogs.empty());
    EXPECT_EQ(Parse({"--alert", "ok", "menu"}).options.alertButton, "ok");
}

TEST(UserOptions, BadAnswersAreOneLineUsageErrors)
{
    ExpectUsageError({"--dialog", "{\"name\":\n 3}", "menu"}, "\"name\"");
    ExpectUsageError({"--dialog", "not json", "menu"}, "not a JSON object");
    ExpectUsageError({"menu", "--dialog", R"({"button":"yes"})"}, "button");
    ExpectUsageError({"menu", "--dialog"}, "--dialog");
    ExpectUsageError({"--alert", "OK", "menu"}, "--alert");
    ExpectUsageError({"--alert", "menu"}, "--alert");
    ExpectUsageError({"menu", "--password-file"}, "--password-file");
}

TEST(UserOptions, HelpTellsWhoAnswersWhenNoOptionDoes)
{
    CommandLine line = ParseCommandLine({"--help"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Help);
    for (const char* piece : {"--dialog", "--alert", "--password-file", "/dev/tty", "cancelled", "three times"})
        EXPECT_NE(line.output.find(piece), std::string::npos) << piece;
}

}  // namespace
