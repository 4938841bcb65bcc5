// `cmhost --desktop` run as users and scripts run it, on an X11 display of the test's own: the
// display comes before any plug-in, the text selected there is the context, and the clipboard
// commands reach the desktop's clipboard. Judged by X clients we did not write (xclip).
#include "host/support/CmhostRun.h"

#include "support/ChildProcess.h"
#include "support/XvfbDisplay.h"

#include <chrono>
#include <optional>
#include <thread>

namespace {

using namespace hosttest;

// Sets an environment variable (nullopt: unsets it) for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : mName(name)
    {
        if (const char* old = std::getenv(name))
            mOld = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (mOld)
            setenv(mName, mOld->c_str(), 1);
        else
            unsetenv(mName);
    }

private:
    const char* mName;
    std::optional<std::string> mOld;
};

// A desktop failure: exit status 1 and one line that names the display, whatever else was asked.
void ExpectNoDesktop(const ProcessResult& result, const std::string& cause)
{
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(LineCount(result.err), 1u) << result.err;
    EXPECT_EQ(result.err.rfind("cmhost: ", 0), 0u) << result.err;
    EXPECT_TRUE(Contains(result.err, cause)) << result.err;
    EXPECT_EQ(result.out, "");
}

class DesktopProgram : public CmhostTest {};

TEST_F(DesktopProgram, WithoutADisplayThatAnswersCmhostSaysSoBeforeAnyPlugInIsLoaded)
{
    // The plug-ins folder does not exist: had the host loaded it first, it would say so instead.
    const std::vector<std::string> missing = {"--plugins", mFolder.Child("no-such-bundles")};
    {
        ScopedVariable display("DISPLAY", std::nullopt);
        std::vector<std::string> before = {"--desktop", "menu"};
        before.insert(before.end(), missing.begin(), missing.end());
        ExpectNoDesktop(Run(before), "DISPLAY");
        std::vector<std::string> after = {"menu", "--json", "--desktop"};
        after.insert(after.end(), missing.begin(), missing.end());
        ExpectNoDesktop(Run(after), "DISPLAY");
        // The clipboard commands, which load no plug-in, are the desktop's too.
        ExpectNoDesktop(Run({"clipboard", "show", "--desktop"}), "DISPLAY");
    }
    ScopedVariable display("DISPLAY", ":99");
    std::vector<std::string> refused = {"--desktop", "menu"};
    refused.insert(refused.end(), missing.begin(), missing.end());
    ExpectNoDesktop(Run(refused), ":99");
}

class DesktopSession : public DesktopProgram {
protected:
    // The environment of the X clients: only the display.
    testsupport::ChildProcess::Variables Clients() const { return {{"DISPLAY", mDisplay.Name()}}; }

    // What `xclip -o` reads from the selection now ("" when nothing answers).
    std::string ReadSelection(const std::string& selection)
    {
        testsupport::ChildProcess xclip({"xclip", "-o", "-selection", selection}, Clients());
        return xclip.Wait() == 0 ? xclip.Out() : "";
    }

    // Starts xclip owning PRIMARY with the text, and returns once it answers with it.
    std::unique_ptr<testsupport::ChildProcess> Select(const std::string& text)
    {
        auto xclip = std::make_unique<testsupport::ChildProcess>(
            std::vector<std::string>{"xclip", "-quiet", "-selection", "primary"}, Clients(), text);
        // Far longer than xclip needs on a loaded machine: only an xclip that never serves is given up on.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (ReadSelection("primary") != text) {
            if (xclip->Ended() || std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "xclip never served the selection: " << xclip->Err();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return xclip;
    }

    testsupport::XvfbDisplay mDisplay;
    ScopedVariable mDisplayVariable{"DISPLAY", mDisplay.Name()};
};

TEST_F(DesktopSession, TheTextSelectedOnTheDesktopIsTheContextUnlessTheCommandLineGivesOne)
{
    auto xclip = Select("Kind regards, Ann");
    // "Add Selected Text..." proposes the selected text as the clip's name; cancelled, nothing is added.
    const std::vector<std::string> add = {"--desktop", "choose", "--path", "Stashwell/Add Selected Text...",
                                          "--dialog", R"({"button": "cancel"})", "--json"};
    json report = Json(add);
    ASSERT_EQ(report["dialogs"].size(), 1u) << report.dump();
    EXPECT_EQ(report["dialogs"][0]["name"], "Kind regards, Ann");
    // There is no document on the desktop.
    EXPECT_FALSE(report.contains("document")) << report.dump();

    std::vector<std::string> given = add;
    given.insert(given.begin(), {"--text", "Other words"});
    report = Json(given);
    ASSERT_EQ(report["dialogs"].size(), 1u) << report.dump();
    EXPECT_EQ(report["dialogs"][0]["name"], "Other words");
}

TEST_F(DesktopSession, TheClipboardCommandsWorkOnTheDesktopsClipboard)
{
    ProcessResult set = Run({"--desktop", "clipboard", "set", "utxt=text:h\xC3\xA9llo desktop"});
    ASSERT_EQ(set.exitStatus, 0) << set.err;
    EXPECT_EQ(ReadSelection("clipboard"), "h\xC3\xA9llo desktop");
}

}  // namespace
