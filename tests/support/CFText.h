// Strings as the tests compare them: the text of a CFString as UTF-8.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace testsupport {

// The text as UTF-8, "<null>" for NULL; a unit with no UTF-8 form (a lone surrogate) comes out as '?'.
inline std::string TextOf(CFStringRef string)
{
    if (string == nullptr) {
        return "<null>";
    }
    const CFRange all = CFRangeMake(0, CFStringGetLength(string));
    CFIndex used = 0;
    CFStringGetBytes(string, all, kCFStringEncodingUTF8, '?', false, nullptr, 0, &used);
    std::string bytes(static_cast<size_t>(used), '\0');
    CFStringGetBytes(string, all, kCFStringEncodingUTF8, '?', false, reinterpret_cast<UInt8*>(bytes.data()), used,
                     &used);
    bytes.resize(static_cast<size_t>(used));
    return bytes;
}

// The text of what a Copy or Create function answered, and the string released.
inline std::string TakeText(CFStringRef string)
{
    std::string text = TextOf(string);
    if (string != nullptr) {
        CFRelease(string);
    }
    return text;
}

}  // namespace testsupport
