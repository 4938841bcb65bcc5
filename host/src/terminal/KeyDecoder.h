// Turns the bytes a terminal sends for a key press into the keys the menu understands.
#pragma once

#include "terminal/MenuKey.h"

#include <cstddef>
#include <string_view>

namespace cmhost {

// Decodes the key at the start of bytes (which must not be empty) and sets *used to the number of
// bytes it took. Arrow keys come as ESC [ A..D or ESC O A..D; an ESC with nothing after it in the
// buffer is the Escape key itself; other escape sequences are taken whole and ignored. Tab and 'o'
// hold or release Option; 'q' and Ctrl-C cancel; Return or newline is Enter; h, j, k, l move too.
MenuKey DecodeKey(std::string_view bytes, size_t* used);

}  // namespace cmhost
