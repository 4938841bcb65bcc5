// Turns the bytes a terminal sends for a key press into the keys of a dialog form, where letters
// are text to type rather than commands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cmhost {

enum class FormKeyKind {
    Text,  // one character, UTF-8, in FormKey::text (a space included)
    Backspace,
    Delete,
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    Tab,
    BackTab,  // Shift-Tab
    Enter,
    Escape,
    Interrupt,  // Ctrl-C
    Other,      // anything the form has no use for
};

struct FormKey {
    FormKeyKind kind = FormKeyKind::Other;
    std::string text;
};

// Decodes the key at the start of bytes (not empty) and sets *used to the bytes it took. Escape
// sequences are read as KeyDecoder reads them; a character split across reads, or bytes that are
// not UTF-8, are taken one byte at a time as Other.
FormKey DecodeFormKey(std::string_view bytes, size_t* used);

}  // namespace cmhost
