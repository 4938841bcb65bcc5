#include "desktop/DesktopKeyboard.h"

#include "desktop/DesktopConnection.h"
#include "events/DesktopKeys.h"

#include <xcb/xtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::desktop {
namespace {

constexpr xcb_keysym_t kNoSymbol = 0;
constexpr xcb_keysym_t kLowerVSym = 0x0076;
constexpr xcb_keysym_t kUpperVSym = 0x0056;
// How long an application may take to read a key typed on a lent keycode before the keycode is
// cleared again (only when the keyboard lets go of the display).
constexpr auto kReadingTime = std::chrono::milliseconds(500);

// The keyboard map as the server holds it now: the keysyms of each keycode, unshifted first.
class KeyboardMap {
public:
    static std::optional<KeyboardMap> Read(xcb_connection_t* connection)
    {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        KeyboardMap map;
        map.mFirst = setup->min_keycode;
        const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
        XcbOwned<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, map.mFirst, count), nullptr));
        if (!reply || reply->keysyms_per_keycode == 0) {
            return std::nullopt;
        }
        map.mPerKeycode = reply->keysyms_per_keycode;
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
        map.mKeysyms.assign(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
        return map;
    }

    // The keycode that types keysym without Shift or another group, if any.
    std::optional<xcb_keycode_t> KeycodeTyping(xcb_keysym_t keysym) const
    {
        for (size_t row = 0; row < Rows(); ++row) {
            if (mKeysyms[row * mPerKeycode] == keysym) {
                return static_cast<xcb_keycode_t>(mFirst + row);
            }
        }
        return std::nullopt;
    }

    // A keycode with no keysym at all, which nobody will miss while it types something else.
    std::optional<xcb_keycode_t> SpareKeycode() const
    {
        // Searched from the top, where the keycodes no keyboard has live.
        for (size_t row = Rows(); row-- > 0;) {
            bool empty = true;
            for (uint8_t column = 0; column < mPerKeycode && empty; ++column) {
                empty = mKeysyms[row * mPerKeycode + column] == kNoSymbol;
            }
            if (empty) {
                return static_cast<xcb_keycode_t>(mFirst + row);
            }
        }
        return std::nullopt;
    }

    uint8_t PerKeycode() const { return mPerKeycode; }

    std::vector<xcb_keysym_t> KeysymsOf(xcb_keycode_t keycode) const
    {
        const size_t row = static_cast<size_t>(keycode - mFirst);
        if (keycode < mFirst || row >= Rows()) {
            return {};
        }
        return std::vector<xcb_keysym_t>(mKeysyms.begin() + static_cast<long>(row * mPerKeycode),
                                         mKeysyms.begin() + static_cast<long>((row + 1) * mPerKeycode));
    }

private:
    size_t Rows() const { return mKeysyms.size() / mPerKeycode; }

    xcb_keycode_t mFirst = 0;
    uint8_t mPerKeycode = 0;
    std::vector<xcb_keysym_t> mKeysyms;
};

class DesktopKeyboard {
public:
    explicit DesktopKeyboard(std::unique_ptr<DesktopConnection> connection) : mConnection(std::move(connection)) {}
    ~DesktopKeyboard() { GiveBackLentKeys(); }
    DesktopKeyboard(const DesktopKeyboard&) = delete;
    DesktopKeyboard& operator=(const DesktopKeyboard&) = delete;

    CGError Type(const PlatformKeyboardEvent& event)
    {
        if (!mConnection->Healthy()) {
            return kCGErrorFailure;
        }
        CGError result = event.kind == kPlatformKeyEvent ? TypeKey(event.keyCode, event.keyDown)
                                                         : StateCombiningChanged(event.stateCombining);
        // The server tells every client of keyboard map changes; nobody here reads them.
        while (XcbOwned<xcb_generic_event_t> dropped{xcb_poll_for_event(Get())}) {
        }
        return result;
    }

private:
    xcb_connection_t* Get() const { return mConnection->Get(); }

    CGError TypeKey(CGKeyCode virtualKey, bool down)
    {
        std::optional<uint32_t> keysym = events::DesktopKeysymForVirtualKey(virtualKey);
        if (!keysym) {
            return kCGErrorIllegalArgument;
        }
        auto lent = mDown.find(virtualKey);
        if (lent != mDown.end()) {
            // Down on a keycode lent to it: it comes up there.
            const xcb_keycode_t keycode = lent->second;
            if (!down) {
                mDown.erase(lent);
                mLastLentKeyUp = std::chrono::steady_clock::now();
            }
            return Send({FakeKey(keycode, down)});
        }
        std::optional<KeyboardMap> map = KeyboardMap::Read(Get());
        if (!map) {
            return kCGErrorFailure;
        }
        if (std::optional<xcb_keycode_t> keycode = map->KeycodeTyping(*keysym)) {
            return Send({FakeKey(*keycode, down)});
        }
        // A release of a key never typed here has nothing to release; a modifier cannot be lent a
        // keycode, since the modifier map would not know it.
        if (!down || events::IsModifierKeysym(*keysym)) {
            return down ? kCGErrorFailure : kCGErrorSuccess;
        }
        // The keyboard map has no key for it (a layout without 'v'): a keycode without keysyms
        // types it from now until the keyboard lets go of the display.
        std::optional<xcb_keycode_t> spare = map->SpareKeycode();
        if (!spare) {
            return kCGErrorFailure;
        }
        std::vector<xcb_keysym_t> keysyms(map->PerKeycode(), kNoSymbol);
        keysyms[0] = *keysym;
        if (keysyms.size() > 1 && *keysym == kLowerVSym) {
            keysyms[1] = kUpperVSym;
        }
        if (Send({xcb_change_keyboard_mapping_checked(Get(), 1, *spare, map->PerKeycode(), keysyms.data())}) !=
            kCGErrorSuccess) {
            return kCGErrorFailure;
        }
        mDown[virtualKey] = *spare;
        mLent.push_back(LentKey{*spare, std::move(keysyms)});
        return Send({FakeKey(*spare, true)});
    }

    // Clears the keycodes lent, once the application has had time to read their last key with the
    // map that typed it: an application reads the map when it gets to the key, not when the key was
    // typed. A keycode that no longer types what we lent it (the layout changed since) is left
    // alone.
    void GiveBackLentKeys()
    {
        if (mLent.empty() || !mConnection->Healthy()) {
            return;
        }
        std::this_thread::sleep_until(mLastLentKeyUp + kReadingTime);
        std::optional<KeyboardMap> map = KeyboardMap::Read(Get());
        std::vector<xcb_void_cookie_t> cleared;
        for (const LentKey& lent : mLent) {
            const std::vector<xcb_keysym_t> now = map ? map->KeysymsOf(lent.keycode) : std::vector<xcb_keysym_t>();
            if (!now.empty() && now[0] == lent.keysyms[0]) {
                std::vector<xcb_keysym_t> nothing(lent.keysyms.size(), kNoSymbol);
                cleared.push_back(xcb_change_keyboard_mapping_checked(Get(), 1, lent.keycode,
                                                                      static_cast<uint8_t>(nothing.size()),
                                                                      nothing.data()));
            }
        }
        mLent.clear();
        Send(cleared);
    }

    CGError StateCombiningChanged(bool enabled)
    {
        if (!enabled && !mCombiningOff) {
            mCombiningOff = true;
            return ReleaseHeldKeys();
        }
        if (enabled && mCombiningOff) {
            mCombiningOff = false;
            std::vector<xcb_void_cookie_t> presses;
            for (xcb_keycode_t keycode : mReleased) {
                presses.push_back(FakeKey(keycode, true));
            }
            mReleased.clear();
            return Send(presses);
        }
        return kCGErrorSuccess;
    }

    // Lets go of every key the server has down, so that only the posted keys apply, and keeps the
    // modifiers among them to press again afterwards. Other keys stay up: pressing a letter again
    // would type it into the application a second time.
    CGError ReleaseHeldKeys()
    {
        XcbOwned<xcb_query_keymap_reply_t> keymap(xcb_query_keymap_reply(Get(), xcb_query_keymap(Get()), nullptr));
        XcbOwned<xcb_get_modifier_mapping_reply_t> modifiers(
            xcb_get_modifier_mapping_reply(Get(), xcb_get_modifier_mapping(Get()), nullptr));
        if (!keymap || !modifiers) {
            return kCGErrorFailure;
        }
        const xcb_keycode_t* modifierKeys = xcb_get_modifier_mapping_keycodes(modifiers.get());
        const int modifierCount = xcb_get_modifier_mapping_keycodes_length(modifiers.get());
        auto isModifier = [&](xcb_keycode_t keycode) {
            for (int i = 0; i < modifierCount; ++i) {
                if (modifierKeys[i] == keycode) {
                    return true;
                }
            }
            return false;
        };
        std::vector<xcb_void_cookie_t> releases;
        for (unsigned keycode = 8; keycode < 256; ++keycode) {
            if ((keymap->keys[keycode / 8] & (1u << (keycode % 8))) == 0) {
                continue;
            }
            releases.push_back(FakeKey(static_cast<xcb_keycode_t>(keycode), false));
            if (isModifier(static_cast<xcb_keycode_t>(keycode))) {
                mReleased.push_back(static_cast<xcb_keycode_t>(keycode));
            }
        }
        return Send(releases);
    }

    xcb_void_cookie_t FakeKey(xcb_keycode_t keycode, bool down)
    {
        return xcb_test_fake_input_checked(Get(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME,
                                           XCB_NONE, 0, 0, 0);
    }

    // Answers once the server has taken the requests: the first check waits for a round trip
    // that covers them all.
    CGError Send(const std::vector<xcb_void_cookie_t>& cookies)
    {
        xcb_flush(Get());
        CGError result = kCGErrorSuccess;
        for (xcb_void_cookie_t cookie : cookies) {
            XcbOwned<xcb_generic_error_t> error(xcb_request_check(Get(), cookie));
            if (error) {
                result = kCGErrorFailure;
            }
        }
        return mConnection->Healthy() ? result : kCGErrorFailure;
    }

    std::unique_ptr<DesktopConnection> mConnection;
    bool mCombiningOff = false;
    // Modifiers let go of while state combining is off, to press again when it comes back on.
    std::vector<xcb_keycode_t> mReleased;
    // Keycodes that had no keysyms and now type a key the map lacked, until the keyboard lets go
    // of the display; the virtual keys down on them; when the last of them came up.
    struct LentKey {
        xcb_keycode_t keycode;
        std::vector<xcb_keysym_t> keysyms;
    };
    std::vector<LentKey> mLent;
    std::map<CGKeyCode, xcb_keycode_t> mDown;
    std::chrono::steady_clock::time_point mLastLentKeyUp;
};

std::mutex gKeyboardMutex;
std::unique_ptr<DesktopKeyboard> gKeyboard;

}  // namespace

Result<void> ConnectDesktopKeyboard(const char* display)
{
    Result<std::unique_ptr<DesktopConnection>> opened = DesktopConnection::Open(display);
    if (!opened.Ok()) {
        return opened.Error();
    }
    std::unique_ptr<DesktopConnection> connection = std::move(opened.Value());
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection->Get(), &xcb_test_id);
    if (xtest == nullptr || xtest->present == 0) {
        return Failure{kPlatformNoDesktopErr, 0,
                       "the X11 display has no XTEST extension, so the paste keystroke cannot be typed"};
    }
    auto keyboard = std::make_unique<DesktopKeyboard>(std::move(connection));
    std::lock_guard lock(gKeyboardMutex);
    gKeyboard = std::move(keyboard);
    return {};
}

void DisconnectDesktopKeyboard()
{
    std::unique_ptr<DesktopKeyboard> gone;
    std::lock_guard lock(gKeyboardMutex);
    gone = std::move(gKeyboard);
}

CGError TypeOnDesktop(const PlatformKeyboardEvent& event)
{
    std::lock_guard lock(gKeyboardMutex);
    return gKeyboard ? gKeyboard->Type(event) : kCGErrorSuccess;
}

}  // namespace platform::desktop
