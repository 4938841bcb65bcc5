// The paste keystroke on a Wayland desktop, judged by a GTK entry (zenity, a Wayland client) that
// has the focus on the test's own compositor: what it holds when Return is pressed is what the
// keystroke pasted.
#include "wayland/WaylandKeyboard.h"

#include "support/BareCompositor.h"
#include "support/ChildProcess.h"
#include "support/HeadlessSway.h"

#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using testsupport::ChildProcess;

// Only so that a client that hangs cannot hang the suite.
constexpr auto kPatience = std::chrono::seconds(30);
constexpr int kPatienceMilliseconds = 30000;
constexpr CGKeyCode kCommand = 55, kShift = 56, kA = 0, kV = 9, kX = 7, kReturn = 36, kHome = 115, kEnd = 119;

void Type(CGKeyCode key, CGCharCode character = 0)
{
    EXPECT_EQ(CGPostKeyboardEvent(character, key, true), kCGErrorSuccess) << key;
    EXPECT_EQ(CGPostKeyboardEvent(character, key, false), kCGErrorSuccess) << key;
}

// The four keys and the state combining around them, as the plug-in posts a paste.
void PostPaste()
{
    EXPECT_EQ(CGEnableEventStateCombining(false), kCGErrorSuccess);
    EXPECT_EQ(CGPostKeyboardEvent(0, kCommand, true), kCGErrorSuccess);
    Type(kV, 'v');
    EXPECT_EQ(CGPostKeyboardEvent(0, kCommand, false), kCGErrorSuccess);
    EXPECT_EQ(CGEnableEventStateCombining(true), kCGErrorSuccess);
}

TEST(WaylandKeyboard, ACompositorWithoutAVirtualKeyboardIsRefusedWithTheReason)
{
    testsupport::ScopedTempDir folder;
    const std::string socket = folder.Child("wayland-bare");
    testsupport::BareCompositor compositor(socket);
    auto refused = platform::wayland::ConnectWaylandKeyboard(socket.c_str());
    EXPECT_EQ(refused.Status(), kPlatformNoDesktopErr);
    EXPECT_NE(refused.Reason().find("no virtual keyboard"), std::string::npos) << refused.Reason();
    EXPECT_FALSE(platform::wayland::WaylandKeyboardConnected());
}

class WaylandKeyboardTests : public testing::Test {
protected:
    void SetUp() override
    {
        ::chmod(mRuntime.path().c_str(), 0700);
        // On the seat before the entry opens: a window takes the keyboard only if the seat has one.
        auto connected = platform::wayland::ConnectWaylandKeyboard(mSway.Socket().c_str());
        ASSERT_TRUE(connected.Ok()) << connected.Reason();
    }
    void TearDown() override { platform::wayland::DisconnectWaylandKeyboard(); }

    ChildProcess::Variables Environment() const
    {
        return {{"WAYLAND_DISPLAY", mSway.Socket()},
                {"XDG_RUNTIME_DIR", mRuntime.path()},
                {"GDK_BACKEND", "wayland"},
                {"NO_AT_BRIDGE", "1"}};
    }

    // Waits until check holds; false when it did not in time.
    static bool Eventually(const std::function<bool()>& check)
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!check()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    // Whether the entry comes to hold text (judged by the selection it makes of it, which becomes the
    // primary selection), select being typed until it does: a paste lands once the entry has read
    // the clipboard, after the keys that follow it may have been read.
    bool Shows(const std::string& text, const std::function<void()>& select) const
    {
        return Eventually([&] {
            select();
            ChildProcess primary({"wl-paste", "--primary", "--no-newline"}, Environment());
            return primary.Wait() == 0 && primary.Out() == text;
        });
    }

    // Opens an entry with the focus, runs type, presses Return and answers what the entry held.
    // The clip is on the clipboard for as long as the entry is open: a clipboard served once and
    // then given up may be dropped by the entry half-way through reading it.
    std::string EntryAfter(const std::string& clip, const std::function<void()>& type)
    {
        ChildProcess copy({"wl-copy", "--foreground", clip}, Environment());
        EXPECT_TRUE(Eventually([&] {
            ChildProcess types({"wl-paste", "--list-types"}, Environment());
            return types.Wait() == 0 && !types.Out().empty();
        })) << "wl-copy never took the clipboard: " << copy.Err();
        ChildProcess zenity({"zenity", "--entry"}, Environment());
        const bool focused = Eventually([&] {
            return zenity.Ended() || mSway.Command("[app_id=zenity] focus").find("true") != std::string::npos;
        });
        if (!focused || zenity.Ended()) {
            ADD_FAILURE() << "the entry never opened: " << zenity.Err() << mSway.Log();
            return "";
        }
        type();
        Type(kReturn);
        if (!zenity.Ended(kPatienceMilliseconds)) {
            ADD_FAILURE() << "the entry did not close on Return";
            return "";
        }
        EXPECT_EQ(zenity.Wait(), 0) << zenity.Err();
        return zenity.Out();
    }

    testsupport::HeadlessSway mSway;
    testsupport::ScopedTempDir mRuntime;
};

TEST_F(WaylandKeyboardTests, PasteKeystrokePastesIntoTheFocusedEntry)
{
    EXPECT_EQ(EntryAfter("Grüße aus Köln",
                         [&] {
                             PostPaste();
                             // A key the keyboard has no counterpart of types nothing.
                             EXPECT_EQ(CGPostKeyboardEvent(0, 122, true), kCGErrorIllegalArgument);
                             EXPECT_TRUE(Shows("Grüße aus Köln", [] {
                                 EXPECT_EQ(CGPostKeyboardEvent(0, kCommand, true), kCGErrorSuccess);
                                 Type(kA, 'a');
                                 EXPECT_EQ(CGPostKeyboardEvent(0, kCommand, false), kCGErrorSuccess);
                             }));
                         }),
              "Grüße aus Köln\n");
}

TEST_F(WaylandKeyboardTests, AHeldModifierIsLetGoOfAroundThePasteAndHeldAgainAfterIt)
{
    // Control-Shift-V pastes nothing in an entry: the paste lands only if Shift was let go of. Home
    // selects the text only if Shift is held again after it, and End with Shift lets go of the
    // selection; the letter is a capital only while Shift is held, and typed only if Control is up.
    EXPECT_EQ(EntryAfter("held shift",
                         [&] {
                             EXPECT_EQ(CGPostKeyboardEvent(0, kShift, true), kCGErrorSuccess);
                             PostPaste();
                             EXPECT_TRUE(Shows("held shift", [] { Type(kHome); }));
                             Type(kEnd);
                             Type(kX, 'x');
                             EXPECT_EQ(CGPostKeyboardEvent(0, kShift, false), kCGErrorSuccess);
                         }),
              "held shiftX\n");
}

}  // namespace
