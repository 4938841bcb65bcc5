#include "common/TextConversion.h"

#include <algorithm>
#include <iterator>

namespace cmhost {

std::string UTF8FromString(CFStringRef string)
{
    if (!string)
        return {};
    CFRange all = CFRangeMake(0, CFStringGetLength(string));
    CFIndex needed = 0;
    CFStringGetBytes(string, all, kCFStringEncodingUTF8, '?', false, nullptr, 0, &needed);
    std::string text(static_cast<size_t>(needed), '\0');
    CFIndex used = 0;
    CFStringGetBytes(string, all, kCFStringEncodingUTF8, '?', false, reinterpret_cast<UInt8*>(text.data()), needed,
                     &used);
    text.resize(static_cast<size_t>(used));
    return text;
}

platform::CFOwner<CFStringRef> CreateStringFromUTF8(std::string_view text)
{
    return platform::AdoptCF(CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                                                     static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false));
}

std::optional<std::vector<UniChar>> UTF16FromUTF8(std::string_view text)
{
    platform::CFOwner<CFStringRef> string = CreateStringFromUTF8(text);
    if (!string)
        return std::nullopt;
    std::vector<UniChar> units(static_cast<size_t>(CFStringGetLength(string.Get())));
    CFStringGetCharacters(string.Get(), CFRangeMake(0, static_cast<CFIndex>(units.size())), units.data());
    return units;
}

std::string UTF8FromUTF16(const UniChar* units, size_t count)
{
    platform::CFOwner<CFStringRef> string = platform::AdoptCF(
        CFStringCreateWithCharacters(kCFAllocatorDefault, units, static_cast<CFIndex>(count)));
    return UTF8FromString(string.Get());
}

std::string UTF8FromMacRoman(const void* bytes, size_t count)
{
    // Every byte has a meaning in Mac OS Roman, so this cannot fail for want of a mapping.
    platform::CFOwner<CFStringRef> string = platform::AdoptCF(
        CFStringCreateWithBytes(kCFAllocatorDefault, static_cast<const UInt8*>(bytes), static_cast<CFIndex>(count),
                                kCFStringEncodingMacRoman, false));
    return UTF8FromString(string.Get());
}

std::string FourCharCodeString(FourCharCode code)
{
    const unsigned char bytes[4] = {static_cast<unsigned char>(code >> 24), static_cast<unsigned char>(code >> 16),
                                    static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
    // Printable ASCII is the same in Mac OS Roman and UTF-8: the usual codes need no conversion.
    if (std::all_of(std::begin(bytes), std::end(bytes), [](unsigned char c) { return c >= 0x20 && c < 0x7F; })) {
        return std::string(std::begin(bytes), std::end(bytes));
    }
    return UTF8FromMacRoman(bytes, sizeof bytes);
}

std::optional<std::string> BytesFromHex(std::string_view hex)
{
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = digit(hex[i]);
        int low = digit(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

}  // namespace cmhost
