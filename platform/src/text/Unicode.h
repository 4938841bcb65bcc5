// UTF-8 and UTF-16 conversion shared by strings, property lists and file names.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Decodes UTF-8 into UTF-16 units. strict: fails (returns false) on malformed input, overlong
// forms, surrogate code points and values above U+10FFFF; otherwise each bad sequence becomes
// U+FFFD and the result is true.
bool DecodeUTF8(std::string_view bytes, std::u16string& out, bool strict);

// Encodes UTF-16 units as UTF-8. An unpaired surrogate becomes U+FFFD; *lossless (when given) is
// set to false then.
std::string EncodeUTF8(std::u16string_view units, bool* lossless = nullptr);

// True when the units hold no unpaired surrogate.
bool IsWellFormedUTF16(std::u16string_view units);

}  // namespace platform
