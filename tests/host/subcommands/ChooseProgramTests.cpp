// "cmhost choose" run as scripts run it, over the scripted plug-in: the pick handed over, the menu
// cleaned up, the paste timer fired by the run loop, the keystrokes and the document reported, a
// file document written back.
#include "host/support/CmhostRun.h"

#include <chrono>
#include <sys/stat.h>

namespace {

using namespace hosttest;

class ChooseProgram : public CmhostTest {
protected:
    void SetUp() override { mPrefix = {"--plugins", kScriptedBundle}; }
};

TEST_F(ChooseProgram, PasteTimerFiresAfterCleanupAndReplacesTheSelectedText)
{
    json report = Json({"--text", "Dear John,", "choose", "--id", "300", "--json"});
    EXPECT_EQ(report["status"], 0);
    EXPECT_EQ(report["dialogs"], json::array());
    EXPECT_EQ(report["alerts"], json::array());
    EXPECT_EQ(report["passwordPrompts"], 0);
    EXPECT_EQ(report["keystrokes"], kPasteKeystrokes);
    EXPECT_EQ(report["document"], "Pasted \u00e9 text");
    EXPECT_EQ(report["warnings"], json::array());
    // The menu is closed before the run loop runs; the timer fires once, after it.
    EXPECT_EQ(mLast.err,
              "scripted: ExamineContext 'utxt'\nscripted: HandleSelection 300\nscripted: PostMenuCleanup\n"
              "scripted: paste timer\nscripted: freed\n");
}

TEST_F(ChooseProgram, FileDocumentIsWrittenBackWholeWithItsPermissions)
{
    const std::string path = mFolder.Child("Letter.txt");
    testsupport::WriteFile(path, "Dear John,\nsee you soon.\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    // 'TEXT' only: read as Mac OS Roman; the selection is where the selected text sits in the file.
    json report = Json({"--document", path, "--text", "John", "choose", "--id", "301", "--json"});
    EXPECT_EQ(report["document"], "Dear Caf\u00e9,\nsee you soon.\n");
    EXPECT_EQ(testsupport::ReadFile(path), "Dear Caf\u00e9,\nsee you soon.\n");
    struct stat info{};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // No selected text: the paste goes after what the file holds; posted before HandleSelection
    // returns, it lands all the same.
    report = Json({"--document", path, "choose", "--id", "302", "--json"});
    EXPECT_EQ(report["keystrokes"], kPasteKeystrokes);
    EXPECT_EQ(testsupport::ReadFile(path), "Dear Caf\u00e9,\nsee you soon.\nPasted \u00e9 text");
    EXPECT_EQ(testsupport::EntryNames(mFolder.path()).size(), 1u) << "no temporary file is left beside the document";
}

TEST_F(ChooseProgram, DocumentThatCannotBeWrittenBackFailsWithTheReason)
{
    // A name so long that no temporary file can be made beside it (even by root).
    const std::string path = mFolder.Child(std::string(250, 'L'));
    testsupport::WriteFile(path, "Dear John,");
    ASSERT_EQ(testsupport::ReadFile(path), "Dear John,");
    ProcessResult result = Run({"--document", path, "choose", "--id", "300", "--json"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    // The report still tells what the application did; the file is as it was.
    ASSERT_TRUE(json::accept(result.out)) << result.out;
    EXPECT_EQ(json::parse(result.out)["document"], "Dear John,Pasted \u00e9 text");
    EXPECT_EQ(testsupport::ReadFile(path), "Dear John,");
    const std::vector<std::string> hostLines = HostLines(result.err);
    ASSERT_EQ(hostLines.size(), 1u) << result.err;
    EXPECT_NE(hostLines[0].find("LLLL"), std::string::npos) << result.err;
}

TEST_F(ChooseProgram, NoTextOnTheClipboardLeavesTheDocumentAndItsFileAlone)
{
    const std::string path = mFolder.Child("Untouched.txt");
    testsupport::WriteFile(path, "as it was");
    struct stat before{};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    json report = Json({"--document", path, "choose", "--id", "304", "--json"});
    EXPECT_EQ(report["keystrokes"], kPasteKeystrokes);
    EXPECT_EQ(report["document"], "as it was");
    struct stat after{};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";

    // A command that schedules nothing: no keystrokes, the in-memory document as it started.
    report = Json({"--text", "kept", "choose", "--id", "8", "--json"});
    EXPECT_EQ(report["keystrokes"], json::array());
    EXPECT_EQ(report["document"], "kept");
}

TEST_F(ChooseProgram, TimersThatNeverEndAreWaitedForTwoSecondsAtMost)
{
    const auto start = std::chrono::steady_clock::now();
    ProcessResult result = Run({"choose", "--id", "303", "--json"});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 6.0);
    EXPECT_NE(result.err.find("cmhost: timers were still scheduled after 2 seconds"), std::string::npos)
        << result.err;
    json report = json::parse(result.out);
    EXPECT_EQ(report["keystrokes"], json::array());
}

TEST_F(ChooseProgram, PathsNameCommandsAsTheUserSeesThem)
{
    Json({"choose", "--path", "Scripted/Deep", "--json"});
    EXPECT_NE(mLast.err.find("scripted: HandleSelection 8\n"), std::string::npos) << mLast.err;
    // Options come before or after the subcommand.
    Json({"choose", "--path", "Scripted/Inner/Alternate", "--option", "--json"});
    EXPECT_NE(mLast.err.find("scripted: HandleSelection 9\n"), std::string::npos) << mLast.err;

    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"choose", "--path", "Scripted/Inner"},
          std::vector<std::string>{"choose", "--path", "Scripted/Nothing", "--json"}}) {
        ProcessResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, 2) << testing::PrintToString(arguments) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.find("HandleSelection"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("PostMenuCleanup"), std::string::npos) << "the menu is still closed";
        // The plug-in logs to standard error too: the host's own part is one line.
        EXPECT_EQ(HostLines(result.err), std::vector<std::string>{"cmhost: --path: the menu has no command \"" +
                                                                   arguments[2] + "\""})
            << result.err;
    }
}

TEST_F(ChooseProgram, TextForm)
{
    ProcessResult result = Run({"--text", "Hi", "choose", "--id", "300"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(json::accept(result.out));
    EXPECT_TRUE(Contains(result.out, "HandleSelection answered 0\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "Keystrokes: Command down, key 9 'v' down, key 9 'v' up, Command up\n"))
        << result.out;
    EXPECT_TRUE(Contains(result.out, "  | Pasted \u00e9 text\n")) << result.out;
}

}  // namespace
