#include "terminal/FormKeyDecoder.h"

#include "terminal/KeyDecoder.h"

namespace cmhost {
namespace {

constexpr char kEscape = '\x1b';

FormKey Key(FormKeyKind kind)
{
    return FormKey{kind, {}};
}

// The length of the UTF-8 sequence that lead starts; 0 when lead cannot start one.
size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

FormKey EscapeKey(std::string_view bytes, size_t* used)
{
    MenuKey arrow = DecodeKey(bytes, used);
    switch (arrow) {
    case MenuKey::Up:
        return Key(FormKeyKind::Up);
    case MenuKey::Down:
        return Key(FormKeyKind::Down);
    case MenuKey::Left:
        return Key(FormKeyKind::Left);
    case MenuKey::Right:
        return Key(FormKeyKind::Right);
    case MenuKey::Escape:
        return Key(FormKeyKind::Escape);
    default:
        break;
    }
    // The sequences the menu has no use for but a form has.
    const std::string_view sequence = bytes.substr(0, *used);
    if (sequence == "\x1b[Z")
        return Key(FormKeyKind::BackTab);
    if (sequence == "\x1b[H" || sequence == "\x1bOH" || sequence == "\x1b[1~" || sequence == "\x1b[7~")
        return Key(FormKeyKind::Home);
    if (sequence == "\x1b[F" || sequence == "\x1bOF" || sequence == "\x1b[4~" || sequence == "\x1b[8~")
        return Key(FormKeyKind::End);
    if (sequence == "\x1b[3~")
        return Key(FormKeyKind::Delete);
    return Key(FormKeyKind::Other);
}

}  // namespace

FormKey DecodeFormKey(std::string_view bytes, size_t* used)
{
    *used = 1;
    const unsigned char lead = static_cast<unsigned char>(bytes[0]);
    switch (lead) {
    case kEscape:
        return EscapeKey(bytes, used);
    case '\r':
    case '\n':
        return Key(FormKeyKind::Enter);
    case '\t':
        return Key(FormKeyKind::Tab);
    case 0x7F:
    case 0x08:
        return Key(FormKeyKind::Backspace);
    case 0x03:
        return Key(FormKeyKind::Interrupt);
    case 0x01:  // Ctrl-A, as in a shell
        return Key(FormKeyKind::Home);
    case 0x05:  // Ctrl-E
        return Key(FormKeyKind::End);
    default:
        break;
    }
    if (lead < 0x20)
        return Key(FormKeyKind::Other);
    const size_t length = SequenceLength(lead);
    if (length == 0 || length > bytes.size())
        return Key(FormKeyKind::Other);
    for (size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80)
            return Key(FormKeyKind::Other);
    // Overlong forms, surrogates and code points past U+10FFFF are not characters.
    const unsigned char second = length > 1 ? static_cast<unsigned char>(bytes[1]) : 0;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return Key(FormKeyKind::Other);
    *used = length;
    return FormKey{FormKeyKind::Text, std::string(bytes.substr(0, length))};
}

}  // namespace cmhost
