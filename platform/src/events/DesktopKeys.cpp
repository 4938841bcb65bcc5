#include "events/DesktopKeys.h"

namespace platform::events {

std::optional<uint32_t> DesktopKeysymForVirtualKey(CGKeyCode virtualKey)
{
    // The letters of the ANSI keyboard, by virtual key ('.': not a letter); a letter's keysym is
    // its lower-case character.
    static constexpr char kLetters[] = "asdfhgzxcv.bqweryt.............ou.ip.lj.k....nm";
    static_assert(kLetters[9] == 'v' && kLetters[31] == 'o' && kLetters[40] == 'k' && kLetters[46] == 'm');
    if (virtualKey < sizeof kLetters - 1 && kLetters[virtualKey] != '.') {
        return static_cast<uint32_t>(kLetters[virtualKey]);
    }
    switch (virtualKey) {
    case 36:
        return 0xff0d;  // Return
    case 115:
        return 0xff50;  // Home
    case 119:
        return 0xff57;  // End
    case 55:
        return 0xffe3;  // Command: Control_L
    case 56:
        return 0xffe1;  // Shift_L
    case 58:
        return 0xffe9;  // Option: Alt_L
    default:
        return std::nullopt;
    }
}

bool IsModifierKeysym(uint32_t keysym)
{
    return (keysym >= 0xffe1 && keysym <= 0xffee) || (keysym >= 0xfe01 && keysym <= 0xfe13);
}

}  // namespace platform::events
