// cmhost as the user of the plug-ins' dialogs, alerts and password prompts, run as a program: the
// scripted answers of --dialog and --alert, and the forms on a terminal. The scripted test plug-in
// shows the alert and the password prompts (commands 310, 312); the built plug-in's "New Clip"
// dialog is the dialog.
#include "host/support/CmhostRun.h"
#include "host/support/PseudoTerminal.h"
#include "support/ScopedVariable.h"

#include <termios.h>

namespace {

using namespace hosttest;

class UserProgram : public CmhostTest {
protected:
    void SetUp() override { mPrefix = {"--plugins", kScriptedBundle}; }

    testsupport::ScopedVariable mKeychain{"CMHOST_TEST_KEYCHAIN", mStorage.DataHome() + "/test.keychain"};
};

TEST_F(UserProgram, TheShortFormReportsTheDialogInALine)
{
    ProcessResult result = RunProcess(
        kCmhost, {"--text", "Dear John,", "choose", "--id", "100", "--dialog", R"({"button":"close"})"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(Contains(result.out, "Dialog \"New Clip\": name \"Dear John,\", submenu \"/Stashwell\", secure off, "
                                     "plain text off; ended with close"))
        << result.out;
    EXPECT_TRUE(Packages().empty());
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

// The line-by-line session installs the same user as a subcommand.
TEST_F(UserProgram, TheSessionAnswersAsScripted)
{
    ProcessResult lines = Run({"--alert", "ok"}, "310\nq\n");
    EXPECT_EQ(lines.exitStatus, 0) << lines.err;
    EXPECT_TRUE(Contains(lines.err, "scripted: alert 1 0")) << lines.err;
}

TEST_F(UserProgram, AtATerminalTheDialogIsAFormAndPasswordsAreAskedThere)
{
    TerminalResult dialog =
        RunOnTerminal(kCmhost, {"--text", "Dear John,", "choose", "--id", "100"}, "New Clip", {"Hi", "\r"});
    EXPECT_EQ(dialog.exitStatus, 0) << dialog.err;
    EXPECT_EQ(Packages(), std::set<std::string>{"Hi"}) << "the clip is named as typed";
    EXPECT_TRUE(Contains(dialog.screen, "Dialog \"New Clip\": name \"Dear John,\"")) << "the report follows";
    EXPECT_EQ(dialog.localModeAfter, dialog.localModeBefore);
    EXPECT_NE(dialog.localModeAfter & ECHO, 0u);

    TerminalResult password =
        RunOnTerminal(kCmhost, {"--plugins", kScriptedBundle, "choose", "--id", "312", "--json"}, "New password",
                      {"zq9x\r", "zq9x\r", "zq9x\r"});
    EXPECT_TRUE(Contains(password.err, "scripted: keychain 0 0 1")) << password.err << password.screen;
    EXPECT_TRUE(Contains(password.screen, "\"passwordPrompts\": 2")) << password.screen;
    EXPECT_FALSE(Contains(password.screen, "zq9x")) << "typed without echo";
    EXPECT_EQ(password.localModeAfter, password.localModeBefore);
}

}  // namespace
