// Conversions between the host's UTF-8 text (command line, terminal, JSON) and the platform's
// strings, UTF-16 units and four-character codes.
#pragma once

#include "CFOwner.h"

#include <CoreFoundation/CoreFoundation.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cmhost {

// The text of a string as UTF-8. A character that cannot be converted (an unpaired surrogate)
// becomes '?', so a damaged name still shows.
std::string UTF8FromString(CFStringRef string);

// A new string from UTF-8 text; empty (no string) when the text is not valid UTF-8.
platform::CFOwner<CFStringRef> CreateStringFromUTF8(std::string_view text);

// UTF-16 units in host order, without a byte-order mark; nullopt when the text is not valid UTF-8.
std::optional<std::vector<UniChar>> UTF16FromUTF8(std::string_view text);

// Text from UTF-16 units in host order, or from Mac OS Roman bytes.
std::string UTF8FromUTF16(const UniChar* units, size_t count);
std::string UTF8FromMacRoman(const void* bytes, size_t count);

// The bytes that pairs of hexadecimal digits (either case) spell; nullopt for an odd number of
// digits or anything that is not a digit.
std::optional<std::string> BytesFromHex(std::string_view hex);

// The four characters of a type code, most significant byte first, read as Mac OS Roman.
std::string FourCharCodeString(FourCharCode code);

}  // namespace cmhost
