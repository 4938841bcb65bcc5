// The paste keystroke on the desktop, judged by a GTK entry (zenity) that has the focus on the
// test's own display: what it holds when Return is pressed is what the keystroke pasted.
#include "desktop/DesktopKeyboard.h"

#include "platform/desktop/DesktopClients.h"
#include "support/XvfbDisplay.h"

#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using platform::desktop::DesktopConnection;
using platform::desktop::XcbOwned;

const char* const kEntryTitle = "Stashwell paste target";
const int kPatienceMilliseconds =
    static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(desktoptest::kClientPatience).count());

// The four keys and the state combining around them, as the plug-in posts a paste.
void PostPaste()
{
    EXPECT_EQ(CGEnableEventStateCombining(false), kCGErrorSuccess);
    EXPECT_EQ(CGPostKeyboardEvent(0, 55, true), kCGErrorSuccess);
    EXPECT_EQ(CGPostKeyboardEvent('v', 9, true), kCGErrorSuccess);
    EXPECT_EQ(CGPostKeyboardEvent('v', 9, false), kCGErrorSuccess);
    EXPECT_EQ(CGPostKeyboardEvent(0, 55, false), kCGErrorSuccess);
    EXPECT_EQ(CGEnableEventStateCombining(true), kCGErrorSuccess);
}

void Record(void* context, const PlatformKeyboardEvent* event)
{
    static_cast<std::vector<PlatformKeyboardEvent>*>(context)->push_back(*event);
}

class DesktopKeyboardTests : public testing::Test {
protected:
    void SetUp() override
    {
        auto opened = DesktopConnection::Open(mDisplay.Name().c_str());
        ASSERT_TRUE(opened.Ok()) << opened.Reason();
        mConnection = std::move(opened.Value());
        auto connected = platform::desktop::ConnectDesktopKeyboard(mDisplay.Name().c_str());
        ASSERT_TRUE(connected.Ok()) << connected.Reason();
    }
    void TearDown() override
    {
        platform::desktop::DisconnectDesktopKeyboard();
        PlatformSetKeyboardSink(nullptr, nullptr);
    }

    // Opens an entry with the focus, runs type, presses Return and answers what the entry held.
    // The clip is on the CLIPBOARD, served once: the entry has the text once xclip has ended.
    std::string EntryAfter(const std::string& clip, const std::function<void()>& type)
    {
        const std::string& display = mDisplay.Name();
        auto xclip = desktoptest::ServeSelection(display, "clipboard", clip, "", 1);
        testsupport::ChildProcess zenity({"zenity", "--entry", "--title", kEntryTitle},
                                         desktoptest::ClientEnvironment(display));
        std::string windows = desktoptest::RunClient(display, {"xdotool", "search", "--sync", "--name", kEntryTitle});
        const std::string window = windows.substr(0, windows.find('\n'));
        desktoptest::RunClient(display, {"xdotool", "windowfocus", "--sync", window});
        type();
        const bool asked = xclip->Ended(kPatienceMilliseconds);
        EXPECT_TRUE(asked) << "the entry never asked for the clipboard";
        desktoptest::RunClient(display, {"xdotool", "key", "Return"});
        if (!zenity.Ended(kPatienceMilliseconds)) {
            ADD_FAILURE() << "the entry did not close on Return";
            return "";
        }
        EXPECT_EQ(zenity.Wait(), 0) << zenity.Err();
        return zenity.Out();
    }

    // The keycodes the server has down now.
    std::vector<xcb_keycode_t> HeldKeys()
    {
        xcb_connection_t* c = mConnection->Get();
        XcbOwned<xcb_query_keymap_reply_t> keymap(xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr));
        std::vector<xcb_keycode_t> held;
        for (unsigned keycode = 8; keymap && keycode < 256; ++keycode) {
            if (keymap->keys[keycode / 8] & (1u << (keycode % 8)))
                held.push_back(static_cast<xcb_keycode_t>(keycode));
        }
        return held;
    }

    // The whole keyboard map, keysyms per keycode first.
    std::vector<xcb_keysym_t> KeyboardMap()
    {
        xcb_connection_t* c = mConnection->Get();
        const xcb_setup_t* setup = xcb_get_setup(c);
        XcbOwned<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
            c, xcb_get_keyboard_mapping(c, setup->min_keycode, setup->max_keycode - setup->min_keycode + 1),
            nullptr));
        std::vector<xcb_keysym_t> map;
        if (reply) {
            map.push_back(reply->keysyms_per_keycode);
            const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
            map.insert(map.end(), keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
        }
        return map;
    }

    testsupport::XvfbDisplay mDisplay;
    std::unique_ptr<DesktopConnection> mConnection;
};

TEST_F(DesktopKeyboardTests, PasteKeystrokePastesIntoTheFocusedWindowAndTheSinkStillHearsIt)
{
    std::vector<PlatformKeyboardEvent> heard;
    PlatformSetKeyboardSink(&Record, &heard);
    EXPECT_EQ(EntryAfter("Grüße aus Köln", PostPaste), "Grüße aus Köln\n");
    // The host can still tell what was typed: the six events, in order.
    ASSERT_EQ(heard.size(), 6u);
    EXPECT_EQ(heard[0].kind, kPlatformStateCombiningChanged);
    EXPECT_EQ(heard[2].keyCode, 9);
    EXPECT_TRUE(heard[2].keyDown);
    EXPECT_EQ(heard[5].kind, kPlatformStateCombiningChanged);
    // Nothing is left down.
    EXPECT_TRUE(HeldKeys().empty());
}

TEST_F(DesktopKeyboardTests, AHeldModifierIsLetGoOfAroundThePasteAndHeldAgainAfterIt)
{
    // Control-Shift-V pastes nothing in an entry: the paste only lands if Shift was let go of.
    std::vector<xcb_keycode_t> heldBefore, heldAfter;
    EXPECT_EQ(EntryAfter("held shift",
                         [&] {
                             desktoptest::RunClient(mDisplay.Name(), {"xdotool", "keydown", "shift"});
                             heldBefore = HeldKeys();
                             PostPaste();
                             heldAfter = HeldKeys();
                             // Shift-Return would not close the entry.
                             desktoptest::RunClient(mDisplay.Name(), {"xdotool", "keyup", "shift"});
                         }),
              "held shift\n");
    EXPECT_EQ(heldBefore.size(), 1u);
    EXPECT_EQ(heldAfter, heldBefore);
}

TEST_F(DesktopKeyboardTests, AKeyboardMapWithoutVLendsASpareKeyForThePasteAndTakesItBack)
{
    // Take 'v' off the keyboard, as a layout without it would have it.
    xcb_connection_t* c = mConnection->Get();
    std::vector<xcb_keysym_t> map = KeyboardMap();
    ASSERT_FALSE(map.empty());
    const uint8_t perKeycode = static_cast<uint8_t>(map[0]);
    const xcb_keycode_t minKeycode = xcb_get_setup(c)->min_keycode;
    for (size_t row = 0; 1 + row * perKeycode < map.size(); ++row) {
        if (map[1 + row * perKeycode] == 'v') {
            std::vector<xcb_keysym_t> nothing(perKeycode, 0);
            XcbOwned<xcb_generic_error_t> error(xcb_request_check(
                c, xcb_change_keyboard_mapping_checked(c, 1, static_cast<xcb_keycode_t>(minKeycode + row),
                                                       perKeycode, nothing.data())));
            ASSERT_FALSE(error);
        }
    }
    const std::vector<xcb_keysym_t> withoutV = KeyboardMap();
    ASSERT_NE(withoutV, map);

    EXPECT_EQ(EntryAfter("lent key", PostPaste), "lent key\n");
    // The lent key types 'v' until the keyboard lets go of the display.
    EXPECT_NE(KeyboardMap(), withoutV);
    platform::desktop::DisconnectDesktopKeyboard();
    EXPECT_EQ(KeyboardMap(), withoutV);
}

}  // namespace
