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

void CheckRange(const std::u16string& units, CFRange range, const char* caller)
{
    if (range.location < 0 || range.length < 0 || range.location > static_cast<CFIndex>(units.size()) ||
        range.length > static_cast<CFIndex>(units.size()) - range.location) {
        FatalError(caller);
    }
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

void CFStringInsert(CFMutableStringRef str, CFIndex idx, CFStringRef insertedStr)
{
    CheckRange(MutableStringUnits(str), CFRangeMake(idx, 0), "CFStringInsert: index out of range");
    ReplaceUnits(str, CFRangeMake(idx, 0), StringUnits(insertedStr));
}

void CFStringDelete(CFMutableStringRef theString, CFRange range)
{
    CheckRange(MutableStringUnits(theString), range, "CFStringDelete: range out of bounds");
    ReplaceUnits(theString, range, std::u16string());
}

void CFStringReplace(CFMutableStringRef theString, CFRange range, CFStringRef replacement)
{
    CheckRange(MutableStringUnits(theString), range, "CFStringReplace: range out of bounds");
    ReplaceUnits(theString, range, StringUnits(replacement));
}

void CFStringReplaceAll(CFMutableStringRef theString, CFStringRef replacement)
{
    ReplaceUnits(theString, CFRangeMake(0, static_cast<CFIndex>(MutableStringUnits(theString).size())),
                 StringUnits(replacement));
}

}  // extern "C"
