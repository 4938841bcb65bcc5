// Strings in and out of the plug-in's tests: new strings from UTF-8 or UTF-16 (NUL units included)
// and a string's text back as UTF-8 bytes or UTF-16 units, "<null>" standing for no string.
#pragma once

#include "support/CFText.h"

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace texttest {

// A new string (+1).
inline CFStringRef CreateString(const std::string& utf8)
{
    return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(utf8.data()),
                                   static_cast<CFIndex>(utf8.size()), kCFStringEncodingUTF8, false);
}

inline CFStringRef CreateString(const std::u16string& units)
{
    return CFStringCreateWithCharacters(kCFAllocatorDefault, reinterpret_cast<const UniChar*>(units.data()),
                                        static_cast<CFIndex>(units.size()));
}

using testsupport::TextOf;

inline std::u16string UnitsOf(CFStringRef string)
{
    if (string == nullptr) {
        return u"<null>";
    }
    std::u16string units(static_cast<size_t>(CFStringGetLength(string)), u'\0');
    CFStringGetCharacters(string, CFRangeMake(0, CFStringGetLength(string)), reinterpret_cast<UniChar*>(units.data()));
    return units;
}

using testsupport::TakeText;

}  // namespace texttest
