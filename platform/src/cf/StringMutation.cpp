// Mutable strings: creation and the edits that respect the string's maximum length.
#include "cf/StringObject.h"

#include "text/Encodings.h"

#include <string>

using namespace platform;

namespace {

bool FitsMaximum(CFMutableStringRef string, size_t newLength)
{
    CFIndex maxLength = static_cast<const OpaqueCFString*>(string)->maxLength;
    return maxLength <= 0 || newLength <= static_cast<size_t>(maxLength);
}

// Replaces the range with the replacement units unless the result would exceed the maximum
// length. The replacement is taken by value so that a string edited with itself stays intact.
void ReplaceUnits(CFMutableStringRef string, CFRange range, std::u16string replacement)
{
    std::u16string& units = MutableStringUnits(string);
    size_t newLength = units.size() - static_cast<size_t>(range.length) + replacement.size();
    if (!FitsMaximum(string, newLength)) {
        return;
    }
    units.replace(static_cast<size_t>(range.location), static_cast<size_t>(range.length), replacement);
}

CFRange EndOf(CFMutableStringRef string)
{
    return CFRangeMake(static_cast<CFIndex>(MutableStringUnits(string).size()), 0);
}

}  // namespace

extern "C" {

CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex maxLength)
{
    return CreateMutableStringFromUTF16(alloc, std::u16string(), maxLength < 0 ? 0 : maxLength);
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength, CFStringRef theString)
{
    const std::u16string& units = StringUnits(theString);
    if (maxLength > 0 && units.size() > static_cast<size_t>(maxLength)) {
        return nullptr;  // the text would not fit from the start
    }
    return CreateMutableStringFromUTF16(alloc, units, maxLength < 0 ? 0 : maxLength);
}

void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString)
{
    ReplaceUnits(theString, EndOf(theString), StringUnits(appendedString));
}

void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars, CFIndex numChars)
{
    if (numChars < 0 || (chars == nullptr && numChars > 0)) {
        FatalError("CFStringAppendCharacters: bad characters");
    }
    ReplaceUnits(theString, EndOf(theString),
                 std::u16string(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(numChars)));
}

void CFStringAppendCString(CFMutableStringRef theString, const char* cStr, CFStringEncoding encoding)
{
    if (cStr == nullptr) {
        FatalError("CFStringAppendCString: NULL C string");
    }
    // Text that is not valid in the encoding appends nothing, as it would create no string.
    std::u16string units;
    if (DecodeText(std::string_view(cStr), encoding, false, units)) {
        ReplaceUnits(theString, EndOf(theString), std::move(units));
    }
}

}  // extern "C"
