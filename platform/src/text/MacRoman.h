// Mac OS Roman, the system's single-byte text encoding, with the character set of the current
// mapping (0xDB is the euro sign, 0xF0 the Apple logo in the private use area).
#pragma once

#include <cstdint>

namespace platform {

// The UTF-16 unit of a Mac OS Roman byte. Every byte has one.
char16_t MacRomanToUnicode(std::uint8_t byte);

// The Mac OS Roman byte of a UTF-16 unit; false when the unit has none.
bool UnicodeToMacRoman(char16_t unit, std::uint8_t& byte);

}  // namespace platform
