#include "wayland/WaylandKeyboard.h"

#include "base/FreeDeleter.h"
#include "base/ScopedFd.h"
#include "events/DesktopKeys.h"
#include "wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::wayland {
namespace {

// How long the windows may take to read the last keys once the compositor has passed them on,
// before the keyboard leaves the seat: the seat then goes back to another keyboard's keymap, and an
// X11 window under XWayland reads a key with the keyboard map of the time it gets to it, so it
// would read another key or none.
constexpr auto kSettleTime = std::chrono::milliseconds(150);

struct XkbContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct XkbKeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
struct XkbStateDeleter {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};

using ManagerOwner = ProxyOwner<zwp_virtual_keyboard_manager_v1, zwp_virtual_keyboard_manager_v1_destroy>;
using KeyboardOwner = ProxyOwner<zwp_virtual_keyboard_v1, zwp_virtual_keyboard_v1_destroy>;

Failure NoKeyboard(std::string reason)
{
    return Failure{kPlatformNoDesktopErr, 0, std::move(reason)};
}

// The keymap the virtual keyboard types with: a plain US keyboard, whatever the user's layout, so
// that the keys it types are the keysyms asked for. Its modifier state is kept here, since the
// compositor takes a virtual keyboard's modifiers from what it is told, not from its keys.
class Keymap {
public:
    static Result<std::unique_ptr<Keymap>> Make()
    {
        std::unique_ptr<Keymap> made(new Keymap);
        made->mContext.reset(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
        const xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
        if (made->mContext) {
            made->mKeymap.reset(xkb_keymap_new_from_names(made->mContext.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
        }
        if (made->mKeymap) {
            made->mState.reset(xkb_state_new(made->mKeymap.get()));
        }
        if (!made->mState) {
            return NoKeyboard(
                "the keyboard map for the paste keystroke cannot be made (is xkeyboard-config installed?)");
        }
        return made;
    }

    // The keymap as text in a memory file, as the compositor maps it; its size with the terminating
    // NUL. An invalid descriptor when it cannot be written.
    ScopedFd AsFile(uint32_t& size) const
    {
        MallocOwned<char> text(xkb_keymap_get_as_string(mKeymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1));
        if (!text) {
            return ScopedFd();
        }
        size = static_cast<uint32_t>(std::strlen(text.get()) + 1);
        ScopedFd file(::memfd_create("stashwell-keymap", MFD_CLOEXEC));
        size_t written = 0;
        while (file.IsValid() && written < size) {
            const ssize_t now = ::write(file.Get(), text.get() + written, size - written);
            if (now <= 0) {
                return ScopedFd();
            }
            written += static_cast<size_t>(now);
        }
        return file;
    }

    // The evdev code of the key that types keysym unshifted, if the keymap has one.
    std::optional<uint32_t> EvdevCodeTyping(xkb_keysym_t keysym) const
    {
        const xkb_keycode_t last = xkb_keymap_max_keycode(mKeymap.get());
        for (xkb_keycode_t keycode = xkb_keymap_min_keycode(mKeymap.get()); keycode <= last; ++keycode) {
            const xkb_keysym_t* syms = nullptr;
            if (keycode >= 8 && xkb_keymap_key_get_syms_by_level(mKeymap.get(), keycode, 0, 0, &syms) > 0 &&
                syms[0] == keysym) {
                return keycode - 8;
            }
        }
        return std::nullopt;
    }

    // Follows a key going down or up; whether the modifiers changed with it.
    bool Update(uint32_t evdevCode, bool down)
    {
        return xkb_state_update_key(mState.get(), evdevCode + 8, down ? XKB_KEY_DOWN : XKB_KEY_UP) != 0;
    }

    xkb_mod_mask_t Modifiers(xkb_state_component component) const
    {
        return xkb_state_serialize_mods(mState.get(), component);
    }
    xkb_layout_index_t Layout() const { return xkb_state_serialize_layout(mState.get(), XKB_STATE_LAYOUT_EFFECTIVE); }

private:
    Keymap() = default;

    std::unique_ptr<xkb_context, XkbContextDeleter> mContext;
    std::unique_ptr<xkb_keymap, XkbKeymapDeleter> mKeymap;
    std::unique_ptr<xkb_state, XkbStateDeleter> mState;
};

class WaylandKeyboard {
public:
    static Result<std::unique_ptr<WaylandKeyboard>> Connect(const char* display)
    {
        Result<std::unique_ptr<Keymap>> made = Keymap::Make();
        if (!made.Ok()) {
            return made.Error();
        }
        std::unique_ptr<Keymap> keymap = std::move(made.Value());
        Result<std::unique_ptr<WaylandConnection>> opened = WaylandConnection::Open(display);
        if (!opened.Ok()) {
            return opened.Error();
        }
        std::unique_ptr<WaylandConnection> connection = std::move(opened.Value());
        ManagerOwner manager(
            static_cast<zwp_virtual_keyboard_manager_v1*>(connection->Bind(&zwp_virtual_keyboard_manager_v1_interface, 1)));
        if (!manager) {
            return NoKeyboard(
                "the Wayland compositor offers no virtual keyboard, so the paste keystroke cannot be typed");
        }
        wl_seat* seat = connection->Seat();
        if (seat == nullptr) {
            return NoKeyboard("the Wayland compositor has no seat to type the paste keystroke on");
        }
        KeyboardOwner keyboard(zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager.get(), seat));
        uint32_t size = 0;
        ScopedFd file = keymap->AsFile(size);
        if (!file.IsValid()) {
            return NoKeyboard("the keyboard map for the paste keystroke cannot be handed to the compositor");
        }
        // The request takes a copy of the descriptor.
        zwp_virtual_keyboard_v1_keymap(keyboard.get(), WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file.Get(), size);
        if (!connection->Roundtrip() || !connection->Healthy()) {
            return NoKeyboard(
                "the Wayland compositor refused a virtual keyboard, so the paste keystroke cannot be typed");
        }
        return std::unique_ptr<WaylandKeyboard>(
            new WaylandKeyboard(std::move(connection), std::move(manager), std::move(keyboard), std::move(keymap)));
    }

    // The keys still down come up, and the keyboard leaves the seat once its keys had time to be
    // read. A keyboard that typed nothing leaves at once: most runs (a menu, an add) type no key,
    // and would otherwise all end that much later.
    ~WaylandKeyboard()
    {
        if (!mConnection->Healthy()) {
            return;
        }
        std::vector<CGKeyCode> down;
        for (const auto& [virtualKey, evdevCode] : mDown) {
            down.push_back(virtualKey);
        }
        for (CGKeyCode virtualKey : down) {
            Press(virtualKey, false);
        }
        if (mConnection->Roundtrip() && mTyped) {
            std::this_thread::sleep_for(kSettleTime);
        }
        mKeyboard.reset();
        mConnection->Roundtrip();
    }
    WaylandKeyboard(const WaylandKeyboard&) = delete;
    WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

    CGError Type(const PlatformKeyboardEvent& event)
    {
        if (!mConnection->Healthy()) {
            return kCGErrorFailure;
        }
        CGError result = kCGErrorSuccess;
        if (event.kind == kPlatformKeyEvent) {
            result = TypeKey(event.keyCode, event.keyDown);
        } else {
            StateCombiningChanged(event.stateCombining);
        }
        // Answers once the compositor has taken the keys.
        if (!mConnection->Roundtrip() || !mConnection->Healthy()) {
            return kCGErrorFailure;
        }
        return result;
    }

private:
    WaylandKeyboard(std::unique_ptr<WaylandConnection> connection, ManagerOwner manager, KeyboardOwner keyboard,
                    std::unique_ptr<Keymap> keymap)
        : mConnection(std::move(connection)),
          mManager(std::move(manager)),
          mKeyboard(std::move(keyboard)),
          mKeymap(std::move(keymap))
    {
    }

    CGError TypeKey(CGKeyCode virtualKey, bool down)
    {
        std::optional<uint32_t> keysym = events::DesktopKeysymForVirtualKey(virtualKey);
        if (!keysym) {
            return kCGErrorIllegalArgument;
        }
        if (!down) {
            // A modifier let go of while combining is off is not held again afterwards.
            std::erase(mReleased, virtualKey);
        }
        return Press(virtualKey, down) ? kCGErrorSuccess : kCGErrorFailure;
    }

    // Sends the key, and the modifiers after it when they changed with it, as a keyboard does.
    bool Press(CGKeyCode virtualKey, bool down)
    {
        mTyped = true;
        std::optional<uint32_t> evdevCode;
        if (auto held = mDown.find(virtualKey); held != mDown.end()) {
            evdevCode = held->second;
        } else if (std::optional<uint32_t> keysym = events::DesktopKeysymForVirtualKey(virtualKey)) {
            evdevCode = mKeymap->EvdevCodeTyping(*keysym);
        }
        if (!evdevCode) {
            return false;
        }
        if (down) {
            mDown[virtualKey] = *evdevCode;
        } else if (mDown.erase(virtualKey) == 0) {
            // Up without having gone down here: nothing to let go of.
            return true;
        }
        zwp_virtual_keyboard_v1_key(mKeyboard.get(), Now(),
                                    *evdevCode, down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
        if (mKeymap->Update(*evdevCode, down)) {
            zwp_virtual_keyboard_v1_modifiers(mKeyboard.get(), mKeymap->Modifiers(XKB_STATE_MODS_DEPRESSED),
                                              mKeymap->Modifiers(XKB_STATE_MODS_LATCHED),
                                              mKeymap->Modifiers(XKB_STATE_MODS_LOCKED), mKeymap->Layout());
        }
        return true;
    }

    void StateCombiningChanged(bool enabled)
    {
        if (!enabled && !mCombiningOff) {
            mCombiningOff = true;
            ReleaseHeldKeys();
        } else if (enabled && mCombiningOff) {
            mCombiningOff = false;
            for (CGKeyCode virtualKey : std::exchange(mReleased, {})) {
                Press(virtualKey, true);
            }
        }
    }

    // Lets go of every key this keyboard has down, so that only the posted keys apply, and keeps
    // the modifiers among them to press again afterwards. Other keys stay up: pressing a letter
    // again would type it into the application a second time.
    void ReleaseHeldKeys()
    {
        std::vector<CGKeyCode> down;
        for (const auto& [virtualKey, evdevCode] : mDown) {
            down.push_back(virtualKey);
        }
        for (CGKeyCode virtualKey : down) {
            Press(virtualKey, false);
            if (std::optional<uint32_t> keysym = events::DesktopKeysymForVirtualKey(virtualKey); keysym && events::IsModifierKeysym(*keysym)) {
                mReleased.push_back(virtualKey);
            }
        }
    }

    // The key events' time stamps, in milliseconds as a keyboard counts them.
    uint32_t Now() const
    {
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }

    std::unique_ptr<WaylandConnection> mConnection;
    ManagerOwner mManager;
    KeyboardOwner mKeyboard;
    std::unique_ptr<Keymap> mKeymap;
    bool mCombiningOff = false;
    // The keys this keyboard has down, by the virtual key that pressed them, with their evdev codes.
    std::map<CGKeyCode, uint32_t> mDown;
    // Modifiers let go of while state combining is off, to press again when it comes back on.
    std::vector<CGKeyCode> mReleased;
    // Whether a key was ever pressed or let go of on this keyboard.
    bool mTyped = false;
};

std::mutex gKeyboardMutex;
std::unique_ptr<WaylandKeyboard> gKeyboard;

}  // namespace

Result<void> ConnectWaylandKeyboard(const char* display)
{
    Result<std::unique_ptr<WaylandKeyboard>> keyboard = WaylandKeyboard::Connect(display);
    if (!keyboard.Ok()) {
        return keyboard.Error();
    }
    std::unique_ptr<WaylandKeyboard> replaced;
    std::lock_guard lock(gKeyboardMutex);
    replaced = std::exchange(gKeyboard, std::move(keyboard.Value()));
    return {};
}

void DisconnectWaylandKeyboard()
{
    std::unique_ptr<WaylandKeyboard> gone;
    std::lock_guard lock(gKeyboardMutex);
    gone = std::move(gKeyboard);
}

bool WaylandKeyboardConnected()
{
    std::lock_guard lock(gKeyboardMutex);
    return gKeyboard != nullptr;
}

CGError TypeOnWayland(const PlatformKeyboardEvent& event)
{
    std::lock_guard lock(gKeyboardMutex);
    return gKeyboard ? gKeyboard->Type(event) : kCGErrorSuccess;
}

}  // namespace platform::wayland
