// cmhost as the user of the plug-ins' dialogs, alerts and password prompts, run as a program: the
// scripted answers of --dialog, --alert and --password-file, the forms on a terminal, and no
// terminal at all (a new session without one), where everything ends as cancelled. The scripted
// test plug-in shows them (commands 310, 311, 312).
#include "CmhostRun.h"
#include "PseudoTerminal.h"

#include <termios.h>

#include <tuple>

namespace {

using namespace hosttest;

class UserProgram : public CmhostTest {
protected:
    void SetUp() override
    {
        mPrefix = {"--plugins", kScriptedBundle};
        setenv("CMHOST_TEST_KEYCHAIN", (mStorage.DataHome() + "/test.keychain").c_str(), 1);
    }
    void TearDown() override { unsetenv("CMHOST_TEST_KEYCHAIN"); }

    std::string PasswordFile(const std::string& contents)
    {
        const std::string path = mFolder.Child("password-" + std::to_string(++mFiles));
        testsupport::WriteFile(path, contents);
        return path;
    }

    TerminalResult OnTerminal(const std::vector<std::string>& arguments, const std::string& ready,
                              const std::vector<std::string>& keyPresses)
    {
        std::vector<std::string> full = mPrefix;
        full.insert(full.end(), arguments.begin(), arguments.end());
        return RunOnTerminal(kCmhost, full, ready, keyPresses);
    }

    int mFiles = 0;
};

TEST_F(UserProgram, ScriptedDialogIsFilledAndReportedAsFirstShown)
{
    json report = Json({"--text", "Dear John,", "choose", "--id", "311", "--json", "--dialog",
                        R"({"name":"Greeting","submenu":"/Scripted/Work","secure":true})"});
    EXPECT_EQ(report["dialogs"], json::parse(R"([{"window": "New Clip", "name": "Dear John,",
        "nameSelection": [0, 32767], "submenuChoices": ["/Scripted", "/Scripted/Work"], "submenu": "/Scripted",
        "comboY": 50, "secure": false, "plainText": false, "plainTextVisible": true, "button": "ok"}])"));
    EXPECT_EQ(report["alerts"], json::array());
    EXPECT_EQ(report["passwordPrompts"], 0);
    EXPECT_TRUE(Contains(mLast.err, "scripted: dialog ok   name=Greeting submenu=/Scripted/Work secure=1 status=0"))
        << mLast.err;

    // The short form says the same in a line.
    ProcessResult result = Run({"--text", "Dear John,", "choose", "--id", "311", "--dialog", R"({"button":"close"})"});
    EXPECT_TRUE(Contains(result.out, "Dialog \"New Clip\": name \"Dear John,\", submenu \"/Scripted\", secure off, "
                                     "plain text off; ended with close"))
        << result.out;
    EXPECT_TRUE(Contains(result.err, "scripted: dialog clos")) << result.err;
}

TEST_F(UserProgram, AlertsAreAnsweredByTheScriptOrCancelled)
{
    json report = Json({"--alert", "cancel", "choose", "--id", "310", "--json"});
    EXPECT_EQ(report["alerts"], json::parse(R"([{"message": "Replace the clip?", "button": "cancel"}])"));
    EXPECT_TRUE(Contains(mLast.err, "scripted: alert 2 0")) << mLast.err;

    ProcessResult result = Run({"--alert", "ok", "choose", "--id", "310"});
    EXPECT_TRUE(Contains(result.err, "scripted: alert 1 0")) << result.err;
    EXPECT_TRUE(Contains(result.out, "Alert \"Replace the clip?\": ok")) << result.out;

    // Dialog answers alone leave alerts unanswered: cancelled, as the alert's caller sees it.
    report = Json({"--dialog", "{}", "choose", "--id", "310", "--json"});
    EXPECT_EQ(report["alerts"], json::parse(R"([{"message": "Replace the clip?", "button": ""}])"));
    EXPECT_TRUE(Contains(mLast.err, "scripted: alert 2 -128")) << mLast.err;
}

// What a user without a terminal gets is the same user's business (HostUser); here only that the
// line-by-line session, like a subcommand, finds no terminal in a session of its own.
TEST_F(UserProgram, WithoutATerminalTheSessionCancelsTheDialog)
{
    ProcessResult lines = Run({"--text", "Hi"}, "311\nq\n", true);
    EXPECT_EQ(lines.exitStatus, 0) << lines.err;
    EXPECT_TRUE(Contains(lines.err, "scripted: dialog not! name=Hi")) << lines.err;
}

TEST_F(UserProgram, PasswordFileAnswersPromptsAndGivesUpOnAWrongPassword)
{
    // Made with the file's content less its final newline, so a file without the newline unlocks
    // it; a wrong one fails three prompts, and the plug-in's second try is cancelled without one.
    const std::tuple<std::string, int, std::string> runs[] = {
        {"hunter2\n", 2, "scripted: keychain 0 0 1"},
        {"hunter2", 1, "scripted: keychain 1 0 1"},
        {"hunter3", 3, "scripted: keychain 1 -25293 -128"},
    };
    for (const auto& [contents, prompts, log] : runs) {
        json report = Json({"--password-file", PasswordFile(contents), "choose", "--id", "312", "--json"});
        EXPECT_EQ(report["passwordPrompts"], prompts) << contents;
        EXPECT_TRUE(Contains(mLast.err, log)) << mLast.err;
    }
}

TEST_F(UserProgram, AtATerminalTheDialogIsAFormAndPasswordsAreAskedThere)
{
    TerminalResult dialog =
        OnTerminal({"--text", "Dear John,", "choose", "--id", "311"}, "New Clip", {"Hi", "\t", "\x1b[B", "\r"});
    EXPECT_EQ(dialog.exitStatus, 0) << dialog.err;
    EXPECT_TRUE(Contains(dialog.err, "scripted: dialog ok   name=Hi submenu=/Scripted/Work secure=0")) << dialog.err;
    EXPECT_TRUE(Contains(dialog.screen, "Dialog \"New Clip\": name \"Dear John,\"")) << "the report follows";
    EXPECT_EQ(dialog.localModeAfter, dialog.localModeBefore);
    EXPECT_NE(dialog.localModeAfter & ECHO, 0u);

    TerminalResult password =
        OnTerminal({"choose", "--id", "312", "--json"}, "New password", {"zq9x\r", "zq9x\r", "zq9x\r"});
    EXPECT_TRUE(Contains(password.err, "scripted: keychain 0 0 1")) << password.err << password.screen;
    EXPECT_TRUE(Contains(password.screen, "\"passwordPrompts\": 2")) << password.screen;
    EXPECT_FALSE(Contains(password.screen, "zq9x")) << "typed without echo";
    EXPECT_EQ(password.localModeAfter, password.localModeBefore);
}

}  // namespace
