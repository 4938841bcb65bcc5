// Strings to and from bytes and C strings in the platform's text encodings.
#include "cf/StringObject.h"

#include "text/Encodings.h"

#include <CoreFoundation/CFData.h>

#include <cstring>
#include <limits>
#include <string>

using namespace platform;

namespace {

// The units of the range, aborting on a range outside the string as the other accessors do.
std::u16string_view UnitsInRange(CFStringRef string, CFRange range, const char* caller)
{
    const std::u16string& units = StringUnits(string);
    if (range.location < 0 || range.length < 0 || range.location > static_cast<CFIndex>(units.size()) ||
        range.length > static_cast<CFIndex>(units.size()) - range.location) {
        FatalError(caller);
    }
    return std::u16string_view(units).substr(static_cast<size_t>(range.location), static_cast<size_t>(range.length));
}

}  // namespace

extern "C" {

CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding)
{
    if (cStr == nullptr) {
        return nullptr;
    }
    std::u16string units;
    if (!DecodeText(std::string_view(cStr), encoding, false, units)) {
        return nullptr;
    }
    return CreateStringFromUTF16(alloc, std::move(units));
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation)
{
    if (numBytes < 0 || (bytes == nullptr && numBytes > 0)) {
        return nullptr;
    }
    std::u16string units;
    std::string_view view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(numBytes));
    if (!DecodeText(view, encoding, isExternalRepresentation != 0, units)) {
        return nullptr;
    }
    return CreateStringFromUTF16(alloc, std::move(units));
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize, CFStringEncoding encoding)
{
    const std::u16string& units = StringUnits(theString);
    if (buffer == nullptr || bufferSize <= 0) {
        return false;
    }
    // Leave an empty C string behind on failure rather than a partial, unterminated one.
    buffer[0] = '\0';
    auto* out = reinterpret_cast<UInt8*>(buffer);
    EncodeResult result = EncodeText(units, encoding, 0, false, out, static_cast<size_t>(bufferSize) - 1);
    if (!result.complete) {
        buffer[0] = '\0';
        return false;
    }
    buffer[result.bytesUsed] = '\0';
    return true;
}

CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding, UInt8 lossByte,
                         Boolean isExternalRepresentation, UInt8* buffer, CFIndex maxBufLen, CFIndex* usedBufLen)
{
    std::u16string_view units = UnitsInRange(theString, range, "CFStringGetBytes: range out of bounds");
    size_t capacity = maxBufLen > 0 ? static_cast<size_t>(maxBufLen) : 0;
    EncodeResult result = EncodeText(units, encoding, lossByte, isExternalRepresentation != 0, buffer, capacity);
    if (usedBufLen != nullptr) {
        *usedBufLen = static_cast<CFIndex>(result.bytesUsed);
    }
    return static_cast<CFIndex>(result.unitsConverted);
}

CFDataRef CFStringCreateExternalRepresentation(CFAllocatorRef alloc, CFStringRef theString,
                                               CFStringEncoding encoding, UInt8 lossByte)
{
    std::string bytes;
    if (!EncodeAllText(StringUnits(theString), encoding, lossByte, true, bytes)) {
        return nullptr;
    }
    return CFDataCreate(alloc, reinterpret_cast<const UInt8*>(bytes.data()), static_cast<CFIndex>(bytes.size()));
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding)
{
    auto perUnit = static_cast<CFIndex>(MaxBytesPerUnit(encoding));
    if (perUnit == 0 || length < 0 || length > std::numeric_limits<CFIndex>::max() / perUnit) {
        return kCFNotFound;
    }
    return length * perUnit;
}

CFStringEncoding CFStringGetSystemEncoding(void)
{
    return kCFStringEncodingMacRoman;
}

}  // extern "C"
