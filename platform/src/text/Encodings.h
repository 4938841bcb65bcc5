// Conversion between UTF-16 units and bytes in the text encodings the platform knows, for strings
// and for anything else that holds text as bytes (descriptors, clipboard flavors, files).
#pragma once

#include <CoreFoundation/CFString.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// True for the encodings listed in CFString.h (Mac OS Roman, ASCII, ISO Latin 1, UTF-8, UTF-16 in
// host, big- and little-endian order).
bool IsKnownEncoding(CFStringEncoding encoding);

// The most bytes one UTF-16 unit can need in the encoding; 0 for an unknown encoding.
std::size_t MaxBytesPerUnit(CFStringEncoding encoding);

// Decodes bytes into UTF-16 units. False (out unspecified) when the bytes are not valid in the
// encoding: malformed UTF-8, a byte above 0x7F in ASCII, an odd number of UTF-16 bytes, an unknown
// encoding. externalRepresentation: a leading byte-order mark is removed (UTF-8: EF BB BF; UTF-16:
// U+FEFF in either order, which then decides the order of the rest); without one, UTF-16 is read
// in host order.
bool DecodeText(std::string_view bytes, CFStringEncoding encoding, bool externalRepresentation, std::u16string& out);

struct EncodeResult {
    std::size_t unitsConverted = 0;  // UTF-16 units of the input that were converted
    std::size_t bytesUsed = 0;       // bytes written (or needed, when measuring)
    bool complete = false;           // every unit of the input was converted
};

// Encodes units into buffer, at most capacity bytes; a NULL buffer measures without a limit.
// A character that the encoding cannot represent is written as lossByte, or, when lossByte is 0,
// stops the conversion there. Conversion also stops before a character that would not fit; a
// surrogate pair is never split. externalRepresentation: UTF-16 starts with U+FEFF in the order
// of the units (it counts in bytesUsed, not in unitsConverted); other encodings get no mark.
EncodeResult EncodeText(std::u16string_view units, CFStringEncoding encoding, std::uint8_t lossByte,
                        bool externalRepresentation, std::uint8_t* buffer, std::size_t capacity);

// Encodes all of units into out. False when a character cannot be represented and lossByte is 0,
// or the encoding is unknown.
bool EncodeAllText(std::u16string_view units, CFStringEncoding encoding, std::uint8_t lossByte,
                   bool externalRepresentation, std::string& out);

}  // namespace platform
