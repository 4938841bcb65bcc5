// cmhost as the user of the plug-ins' dialogs, alerts and password prompts, run as a program: the
// scripted answers of --dialog, --alert and --password-file, the forms on a terminal, and no
// terminal at all (a new session without one), where everything ends as cancelled. The scripted
// test plug-in shows them (commands 310, 311, 312); the last tests use the built Stashwell.plugin.
#include "PseudoTerminal.h"
#include "Subprocess.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <termios.h>

namespace {

using hosttest::ProcessResult;
using hosttest::RunOnTerminal;
using hosttest::RunProcess;
using hosttest::TerminalResult;
using nlohmann::json;

const std::string kCmhost = STASHWELL_BUILD_DIR "/cmhost";
const std::string kScriptedBundle = STASHWELL_SCRIPTED_BUNDLE_DIR;
const std::string kSetsid = "/usr/bin/setsid";

bool Contains(const std::string& text, const std::string& piece)
{
    return text.find(piece) != std::string::npos;
}

class UserProgram : public testing::Test {
protected:
    void SetUp() override
    {
        mKeychain = mStorage.DataHome() + "/test.keychain";
        setenv("CMHOST_TEST_KEYCHAIN", mKeychain.c_str(), 1);
    }
    void TearDown() override { unsetenv("CMHOST_TEST_KEYCHAIN"); }

    std::vector<std::string> WithBundle(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), {"--plugins", kScriptedBundle});
        return arguments;
    }

    // Runs cmhost over the scripted plug-in; detached: in a session of its own, without a terminal.
    ProcessResult Cmhost(const std::vector<std::string>& arguments, bool detached = false)
    {
        if (!detached)
            return RunProcess(kCmhost, WithBundle(arguments));
        std::vector<std::string> command = {"-w", kCmhost};
        for (const std::string& each : WithBundle(arguments))
            command.push_back(each);
        return RunProcess(kSetsid, command);
    }

    json Report(const ProcessResult& result)
    {
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        if (!json::accept(result.out)) {
            ADD_FAILURE() << "not JSON: " << result.out << result.err;
            return json::object();
        }
        return json::parse(result.out);
    }

    std::string PasswordFile(const std::string& contents)
    {
        const std::string path = mFolder.Child("password-" + std::to_string(++mFiles));
        testsupport::WriteFile(path, contents);
        return path;
    }

    testsupport::ScopedStorageEnvironment mStorage;
    testsupport::ScopedTempDir mFolder;
    std::string mKeychain;
    int mFiles = 0;
};

TEST_F(UserProgram, ScriptedDialogIsFilledAndReportedAsFirstShown)
{
    ProcessResult result =
        Cmhost({"--text", "Dear John,", "choose", "--id", "311", "--json", "--dialog",
                R"({"name":"Greeting","submenu":"/Scripted/Work","secure":true})"});
    json report = Report(result);
    EXPECT_EQ(report["dialogs"], json::parse(R"([{"window": "New Clip", "name": "Dear John,",
        "nameSelection": [0, 32767], "submenuChoices": ["/Scripted", "/Scripted/Work"], "submenu": "/Scripted",
        "comboY": 50, "secure": false, "plainText": false, "plainTextVisible": true, "button": "ok"}])"));
    EXPECT_EQ(report["alerts"], json::array());
    EXPECT_EQ(report["passwordPrompts"], 0);
    EXPECT_TRUE(Contains(result.err, "scripted: dialog ok   name=Greeting submenu=/Scripted/Work secure=1 status=0"))
        << result.err;

    // The short form says the same in a line.
    result = Cmhost({"--text", "Dear John,", "choose", "--id", "311", "--dialog", R"({"button":"close"})"});
    EXPECT_TRUE(Contains(result.out, "Dialog \"New Clip\": name \"Dear John,\", submenu \"/Scripted\", secure off, "
                                     "plain text off; ended with close"))
        << result.out;
    EXPECT_TRUE(Contains(result.err, "scripted: dialog clos")) << result.err;
}

TEST_F(UserProgram, AlertsAreAnsweredByTheScriptOrCancelled)
{
    ProcessResult result = Cmhost({"--alert", "cancel", "choose", "--id", "310", "--json"});
    EXPECT_EQ(Report(result)["alerts"], json::parse(R"([{"message": "Replace the clip?", "button": "cancel"}])"));
    EXPECT_TRUE(Contains(result.err, "scripted: alert 2 0")) << result.err;

    result = Cmhost({"--alert", "ok", "choose", "--id", "310"});
    EXPECT_TRUE(Contains(result.err, "scripted: alert 1 0")) << result.err;
    EXPECT_TRUE(Contains(result.out, "Alert \"Replace the clip?\": ok")) << result.out;

    // Dialog answers alone leave alerts unanswered: cancelled, as the alert's caller sees it.
    result = Cmhost({"--dialog", "{}", "choose", "--id", "310", "--json"});
    EXPECT_EQ(Report(result)["alerts"], json::parse(R"([{"message": "Replace the clip?", "button": ""}])"));
    EXPECT_TRUE(Contains(result.err, "scripted: alert 2 -128")) << result.err;
}

TEST_F(UserProgram, WithoutATerminalEverythingIsCancelled)
{
    ProcessResult result = Cmhost({"--text", "Dear John,", "choose", "--id", "311", "--json"}, true);
    json report = Report(result);
    ASSERT_EQ(report["dialogs"].size(), 1u);
    EXPECT_EQ(report["dialogs"][0]["name"], "Dear John,");
    EXPECT_EQ(report["dialogs"][0]["button"], "cancel");
    EXPECT_TRUE(Contains(result.err, "scripted: dialog not! name=Dear John,")) << result.err;

    result = Cmhost({"choose", "--id", "310", "--json"}, true);
    EXPECT_EQ(Report(result)["alerts"][0]["button"], "");
    EXPECT_TRUE(Contains(result.err, "scripted: alert 2 -128")) << result.err;

    // Nobody to ask for a password: not allowed, and no keychain made.
    result = Cmhost({"choose", "--id", "312", "--json"}, true);
    EXPECT_EQ(Report(result)["passwordPrompts"], 0);
    EXPECT_TRUE(Contains(result.err, "scripted: keychain -25308 ")) << result.err;

    // The session without a subcommand installs the same user.
    ProcessResult lines = RunProcess(kSetsid, {"-w", kCmhost, "--plugins", kScriptedBundle, "--text", "Hi"}, "311\nq\n");
    EXPECT_EQ(lines.exitStatus, 0) << lines.err;
    EXPECT_TRUE(Contains(lines.err, "scripted: dialog not! name=Hi")) << lines.err;
}

TEST_F(UserProgram, PasswordFileAnswersPromptsAndGivesUpOnAWrongPassword)
{
    // Made with the file's content less its final newline ...
    ProcessResult result = Cmhost({"--password-file", PasswordFile("hunter2\n"), "choose", "--id", "312", "--json"});
    EXPECT_EQ(Report(result)["passwordPrompts"], 2);
    EXPECT_TRUE(Contains(result.err, "scripted: keychain 0 0 1")) << result.err;
    // ... so a file without the newline unlocks it.
    result = Cmhost({"--password-file", PasswordFile("hunter2"), "choose", "--id", "312", "--json"});
    EXPECT_EQ(Report(result)["passwordPrompts"], 1);
    EXPECT_TRUE(Contains(result.err, "scripted: keychain 1 0 1")) << result.err;
    // A wrong one fails three prompts; the plug-in's second try is cancelled without a prompt.
    result = Cmhost({"--password-file", PasswordFile("hunter3"), "choose", "--id", "312", "--json"});
    EXPECT_EQ(Report(result)["passwordPrompts"], 3);
    EXPECT_TRUE(Contains(result.err, "scripted: keychain 1 -25293 -128")) << result.err;
}

TEST_F(UserProgram, AnUnreadablePasswordFileIsAUsageError)
{
    ProcessResult result = Cmhost({"--password-file", mFolder.Child("absent"), "choose", "--id", "312"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "cmhost: --password-file: cannot read " + mFolder.Child("absent") +
                              ": No such file or directory\n")
        << "one line, before any plug-in is loaded";
    EXPECT_EQ(result.out, "");
}

TEST_F(UserProgram, AtATerminalTheDialogIsAFormTheUserFillsIn)
{
    TerminalResult result =
        RunOnTerminal(kCmhost, WithBundle({"--text", "Dear John,", "choose", "--id", "311"}), "New Clip",
                      {"Hi", "\t", "\x1b[B", "\r"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(Contains(result.err, "scripted: dialog ok   name=Hi submenu=/Scripted/Work secure=0")) << result.err;
    EXPECT_TRUE(Contains(result.screen, "Dialog \"New Clip\": name \"Dear John,\"")) << "the report follows";
    EXPECT_EQ(result.localModeAfter, result.localModeBefore);
    EXPECT_NE(result.localModeAfter & ECHO, 0u);
}

TEST_F(UserProgram, AtATerminalAlertsAndPasswordsAreAskedThere)
{
    TerminalResult alert =
        RunOnTerminal(kCmhost, WithBundle({"choose", "--id", "310"}), "Replace the clip?", {"\x1b[C", "\r"});
    EXPECT_TRUE(Contains(alert.err, "scripted: alert 2 0")) << alert.err;

    TerminalResult password = RunOnTerminal(kCmhost, WithBundle({"choose", "--id", "312", "--json"}), "New password",
                                            {"zq9x\r", "zq9x\r", "zq9x\r"});
    EXPECT_TRUE(Contains(password.err, "scripted: keychain 0 0 1")) << password.err << password.screen;
    EXPECT_TRUE(Contains(password.screen, "\"passwordPrompts\": 2")) << password.screen;
    EXPECT_FALSE(Contains(password.screen, "zq9x")) << "typed without echo";
    EXPECT_EQ(password.localModeAfter, password.localModeBefore);
}

// The built plug-in's own "New Clip" dialog, answered by the script, makes a clip the next menu
// lists; without a terminal or an answer, it is cancelled and makes none.
TEST(UserProgramWithStashwell, ScriptedNewClipDialogMakesAClip)
{
    testsupport::ScopedStorageEnvironment storage;
    ProcessResult chosen =
        RunProcess(kCmhost, {"--text", "Dear John,", "choose", "--id", "100", "--dialog", R"({"name":"Greeting"})",
                             "--json"});
    ASSERT_EQ(chosen.exitStatus, 0) << chosen.err;
    json report = json::parse(chosen.out);
    ASSERT_EQ(report["dialogs"].size(), 1u) << chosen.out;
    EXPECT_EQ(report["dialogs"][0]["window"], "New Clip");
    EXPECT_EQ(report["dialogs"][0]["name"], "Dear John,");
    EXPECT_EQ(report["dialogs"][0]["button"], "ok");

    ProcessResult cancelled = RunProcess(kSetsid, {"-w", kCmhost, "--text", "Unwanted", "choose", "--id", "100", "--json"});
    ASSERT_EQ(cancelled.exitStatus, 0) << cancelled.err;
    EXPECT_EQ(json::parse(cancelled.out)["dialogs"][0]["button"], "cancel");

    ProcessResult menu = RunProcess(kCmhost, {"menu", "--json"});
    ASSERT_EQ(menu.exitStatus, 0) << menu.err;
    const json records = json::parse(menu.out);
    std::vector<std::string> names;
    for (const json& item : records["items"])
        for (const json& entry : item.value("submenu", json::array()))
            names.push_back(entry["name"].get<std::string>());
    EXPECT_NE(std::find(names.begin(), names.end(), "Greeting"), names.end()) << menu.out;
    EXPECT_EQ(std::find(names.begin(), names.end(), "Unwanted"), names.end()) << menu.out;
}

}  // namespace
