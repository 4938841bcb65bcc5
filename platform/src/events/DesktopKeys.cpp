#include "events/DesktopKeys.h"

#include <xkbcommon/xkbcommon-keysyms.h>

namespace platform::events {

std::optional<uint32_t> DesktopKeysymForVirtualKey(CGKeyCode virtualKey)
{
    // The letters of the ANSI keyboard, by virtual key ('.': not a letter); a letter's keysym is
    // its lower-case character (XKB_KEY_a is 'a').
    static constexpr char kLetters[] = "asdfhgzxcv.bqweryt.............ou.ip.lj.k....nm";
    static_assert(kLetters[9] == 'v' && kLetters[31] == 'o' && kLetters[40] == 'k' && kLetters[46] == 'm');
    static_assert(XKB_KEY_a == 'a' && XKB_KEY_z == 'z');
    if (virtualKey < sizeof kLetters - 1 && kLetters[virtualKey] != '.') {
        return static_cast<uint32_t>(kLetters[virtualKey]);
    }
    switch (virtualKey) {
    case 36:
        return XKB_KEY_Return;
    case 115:
        return XKB_KEY_Home;
    case 119:
        return XKB_KEY_End;
    case 55:
        return XKB_KEY_Control_L;  // Command
    case 56:
        return XKB_KEY_Shift_L;
    case 58:
        return XKB_KEY_Alt_L;  // Option
    default:
        return std::nullopt;
    }
}

bool IsModifierKeysym(uint32_t keysym)
{
    return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
           (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Last_Group_Lock);
}

}  // namespace platform::events
