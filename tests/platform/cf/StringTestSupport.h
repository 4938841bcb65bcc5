// Making strings from UTF-16 literals and reading their text back, for the string tests.
#pragma once

#include "CollectionTestSupport.h"
#include "support/CFText.h"

#include <CoreFoundation/CoreFoundation.h>

#include <string>
#include <string_view>

namespace testing_cf {

// A new string object (+1) with the units.
inline CFStringRef MakeUnits(std::u16string_view units)
{
    return CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(units.data()),
                                        static_cast<CFIndex>(units.size()));
}

inline std::u16string Units(CFStringRef string)
{
    std::u16string units(static_cast<size_t>(CFStringGetLength(string)), u'\0');
    CFStringGetCharacters(string, CFRangeMake(0, CFStringGetLength(string)), reinterpret_cast<UniChar*>(units.data()));
    return units;
}

// The text as UTF-8, through the public conversion.
inline std::string UTF8(CFStringRef string)
{
    return testsupport::TextOf(string);
}

}  // namespace testing_cf
