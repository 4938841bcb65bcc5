#include "text/Encodings.h"

#include "text/MacRoman.h"
#include "text/Unicode.h"

#include <bit>
#include <cstring>

namespace platform {
namespace {

enum class ByteOrder { kHost, kBig, kLittle };

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kSwappedByteOrderMark = 0xFFFE;

bool IsUTF16(CFStringEncoding encoding)
{
    return encoding == kCFStringEncodingUnicode || encoding == kCFStringEncodingUTF16BE ||
           encoding == kCFStringEncodingUTF16LE;
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

char16_t SwapBytes(char16_t unit)
{
    return static_cast<char16_t>((unit << 8) | (unit >> 8));
}

bool HostIsBigEndian()
{
    return std::endian::native == std::endian::big;
}

// Whether units in the order must have their bytes swapped relative to the host.
bool NeedsSwap(ByteOrder order)
{
    switch (order) {
    case ByteOrder::kHost:
        return false;
    case ByteOrder::kBig:
        return !HostIsBigEndian();
    case ByteOrder::kLittle:
        return HostIsBigEndian();
    }
    return false;
}

ByteOrder OrderOf(CFStringEncoding encoding)
{
    if (encoding == kCFStringEncodingUTF16BE) {
        return ByteOrder::kBig;
    }
    if (encoding == kCFStringEncodingUTF16LE) {
        return ByteOrder::kLittle;
    }
    return ByteOrder::kHost;
}

bool DecodeUTF16(std::string_view bytes, CFStringEncoding encoding, bool externalRepresentation, std::u16string& out)
{
    if (bytes.size() % 2 != 0) {
        return false;
    }
    std::size_t count = bytes.size() / 2;
    out.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        char16_t unit;
        std::memcpy(&unit, bytes.data() + 2 * i, sizeof unit);
        out[i] = unit;
    }
    bool swap = NeedsSwap(OrderOf(encoding));
    if (externalRepresentation && !out.empty()) {
        if (out[0] == kByteOrderMark) {
            swap = false;
            out.erase(0, 1);
        } else if (out[0] == kSwappedByteOrderMark) {
            swap = true;
            out.erase(0, 1);
        }
    }
    if (swap) {
        for (char16_t& unit : out) {
            unit = SwapBytes(unit);
        }
    }
    return true;
}

// The bytes of one character starting at units[i]: writes them into bytes (up to 4), sets
// consumed to the units it covers (2 for a surrogate pair), and answers false when the encoding
// cannot represent it.
bool EncodeCharacter(std::u16string_view units, std::size_t i, CFStringEncoding encoding, std::uint8_t* bytes,
                     std::size_t& length, std::size_t& consumed)
{
    char16_t unit = units[i];
    consumed = 1;
    bool pair = IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]);
    if (pair) {
        consumed = 2;
    }
    switch (encoding) {
    case kCFStringEncodingMacRoman:
        length = 1;
        return !pair && UnicodeToMacRoman(unit, bytes[0]);
    case kCFStringEncodingASCII:
    case kCFStringEncodingISOLatin1: {
        length = 1;
        char16_t limit = encoding == kCFStringEncodingASCII ? 0x80 : 0x100;
        bytes[0] = static_cast<std::uint8_t>(unit);
        return unit < limit;
    }
    case kCFStringEncodingUTF8: {
        if (!pair && (IsHighSurrogate(unit) || IsLowSurrogate(unit))) {
            length = 1;
            return false;  // an unpaired surrogate is no character UTF-8 can hold
        }
        // Written in place: this runs once per character of every string converted.
        char32_t code = pair ? 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                   (static_cast<char32_t>(units[i + 1]) - 0xDC00)
                             : unit;
        if (code < 0x80) {
            bytes[0] = static_cast<std::uint8_t>(code);
            length = 1;
        } else if (code < 0x800) {
            bytes[0] = static_cast<std::uint8_t>(0xC0 | (code >> 6));
            bytes[1] = static_cast<std::uint8_t>(0x80 | (code & 0x3F));
            length = 2;
        } else if (code < 0x10000) {
            bytes[0] = static_cast<std::uint8_t>(0xE0 | (code >> 12));
            bytes[1] = static_cast<std::uint8_t>(0x80 | ((code >> 6) & 0x3F));
            bytes[2] = static_cast<std::uint8_t>(0x80 | (code & 0x3F));
            length = 3;
        } else {
            bytes[0] = static_cast<std::uint8_t>(0xF0 | (code >> 18));
            bytes[1] = static_cast<std::uint8_t>(0x80 | ((code >> 12) & 0x3F));
            bytes[2] = static_cast<std::uint8_t>(0x80 | ((code >> 6) & 0x3F));
            bytes[3] = static_cast<std::uint8_t>(0x80 | (code & 0x3F));
            length = 4;
        }
        return true;
    }
    default: {  // UTF-16: every unit, even an unpaired surrogate, is kept as it is
        bool swap = NeedsSwap(OrderOf(encoding));
        length = 2 * consumed;
        for (std::size_t k = 0; k < consumed; ++k) {
            char16_t value = swap ? SwapBytes(units[i + k]) : units[i + k];
            std::memcpy(bytes + 2 * k, &value, sizeof value);
        }
        return true;
    }
    }
}

}  // namespace

bool IsKnownEncoding(CFStringEncoding encoding)
{
    return MaxBytesPerUnit(encoding) != 0;
}

std::size_t MaxBytesPerUnit(CFStringEncoding encoding)
{
    switch (encoding) {
    case kCFStringEncodingMacRoman:
    case kCFStringEncodingASCII:
    case kCFStringEncodingISOLatin1:
        return 1;
    case kCFStringEncodingUTF8:
        return 3;  // a surrogate pair is two units and four bytes
    case kCFStringEncodingUnicode:
    case kCFStringEncodingUTF16BE:
    case kCFStringEncodingUTF16LE:
        return 2;
    default:
        return 0;
    }
}

bool DecodeText(std::string_view bytes, CFStringEncoding encoding, bool externalRepresentation, std::u16string& out)
{
    out.clear();
    switch (encoding) {
    case kCFStringEncodingMacRoman:
        out.reserve(bytes.size());
        for (char byte : bytes) {
            out.push_back(MacRomanToUnicode(static_cast<std::uint8_t>(byte)));
        }
        return true;
    case kCFStringEncodingASCII:
    case kCFStringEncodingISOLatin1: {
        unsigned limit = encoding == kCFStringEncodingASCII ? 0x80 : 0x100;
        out.reserve(bytes.size());
        for (char byte : bytes) {
            auto value = static_cast<std::uint8_t>(byte);
            if (value >= limit) {
                return false;
            }
            out.push_back(value);
        }
        return true;
    }
    case kCFStringEncodingUTF8:
        if (externalRepresentation && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
            bytes.remove_prefix(3);
        }
        return DecodeUTF8(bytes, out, true);
    case kCFStringEncodingUnicode:
    case kCFStringEncodingUTF16BE:
    case kCFStringEncodingUTF16LE:
        return DecodeUTF16(bytes, encoding, externalRepresentation, out);
    default:
        return false;
    }
}

EncodeResult EncodeText(std::u16string_view units, CFStringEncoding encoding, std::uint8_t lossByte,
                        bool externalRepresentation, std::uint8_t* buffer, std::size_t capacity)
{
    EncodeResult result;
    if (!IsKnownEncoding(encoding)) {
        return result;
    }
    auto fits = [&](std::size_t length) { return buffer == nullptr || result.bytesUsed + length <= capacity; };
    auto write = [&](const std::uint8_t* bytes, std::size_t length) {
        if (buffer != nullptr) {
            std::memcpy(buffer + result.bytesUsed, bytes, length);
        }
        result.bytesUsed += length;
    };
    if (externalRepresentation && IsUTF16(encoding)) {
        std::uint8_t mark[4];  // room for any one character, as EncodeCharacter may write
        std::size_t length = 0;
        std::size_t consumed = 0;
        const char16_t markUnit = kByteOrderMark;
        EncodeCharacter(std::u16string_view(&markUnit, 1), 0, encoding, mark, length, consumed);
        if (!fits(length)) {
            return result;
        }
        write(mark, length);
    }
    std::size_t i = 0;
    while (i < units.size()) {
        std::uint8_t bytes[4];
        std::size_t length = 0;
        std::size_t consumed = 1;
        if (!EncodeCharacter(units, i, encoding, bytes, length, consumed)) {
            if (lossByte == 0) {
                break;
            }
            bytes[0] = lossByte;
            length = 1;
        }
        if (!fits(length)) {
            break;
        }
        write(bytes, length);
        i += consumed;
    }
    result.unitsConverted = i;
    result.complete = i == units.size();
    return result;
}

bool EncodeAllText(std::u16string_view units, CFStringEncoding encoding, std::uint8_t lossByte,
                   bool externalRepresentation, std::string& out)
{
    out.clear();
    EncodeResult measured = EncodeText(units, encoding, lossByte, externalRepresentation, nullptr, 0);
    if (!measured.complete || !IsKnownEncoding(encoding)) {
        return false;
    }
    out.resize(measured.bytesUsed);
    EncodeText(units, encoding, lossByte, externalRepresentation, reinterpret_cast<std::uint8_t*>(out.data()),
               out.size());
    return true;
}

}  // namespace platform
