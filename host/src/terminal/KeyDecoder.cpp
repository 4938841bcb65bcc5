#include "terminal/KeyDecoder.h"

namespace cmhost {
namespace {

constexpr char kEscape = '\x1b';
constexpr char kControlC = '\x03';

MenuKey ArrowKey(char final)
{
    switch (final) {
    case 'A':
        return MenuKey::Up;
    case 'B':
        return MenuKey::Down;
    case 'C':
        return MenuKey::Right;
    case 'D':
        return MenuKey::Left;
    default:
        return MenuKey::Other;
    }
}

MenuKey EscapeSequence(std::string_view bytes, size_t* used)
{
    if (bytes.size() == 1 || bytes[1] == kEscape) {
        *used = 1;
        return MenuKey::Escape;
    }
    if (bytes[1] == 'O' && bytes.size() >= 3) {
        *used = 3;
        return ArrowKey(bytes[2]);
    }
    if (bytes[1] != '[') {
        // Alt with a key: nothing the menu uses.
        *used = 2;
        return MenuKey::Other;
    }
    // CSI: parameter and intermediate bytes, then one final byte from '@' to '~'.
    size_t end = 2;
    while (end < bytes.size() && !(bytes[end] >= '@' && bytes[end] <= '~'))
        ++end;
    if (end == bytes.size()) {
        *used = bytes.size();
        return MenuKey::Other;
    }
    *used = end + 1;
    // Only the plain arrows: with parameters (Shift+Up is ESC [ 1 ; 2 A) the key is not one the menu knows.
    return end == 2 ? ArrowKey(bytes[end]) : MenuKey::Other;
}

}  // namespace

MenuKey DecodeKey(std::string_view bytes, size_t* used)
{
    *used = 1;
    switch (bytes[0]) {
    case kEscape:
        return EscapeSequence(bytes, used);
    case '\r':
    case '\n':
        return MenuKey::Enter;
    case '\t':
    case 'o':
    case 'O':
        return MenuKey::ToggleOption;
    case 'q':
    case 'Q':
    case kControlC:
        return MenuKey::Quit;
    case 'k':
        return MenuKey::Up;
    case 'j':
        return MenuKey::Down;
    case 'l':
        return MenuKey::Right;
    case 'h':
        return MenuKey::Left;
    default:
        return MenuKey::Other;
    }
}

}  // namespace cmhost
