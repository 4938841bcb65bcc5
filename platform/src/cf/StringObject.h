// The string object and the internal ways to make and read strings. Every CFString function is
// built on these.
#pragma once

#include "cf/Runtime.h"

#include <CoreFoundation/CFString.h>

#include <string>
#include <string_view>

struct OpaqueCFString : platform::RuntimeBase {
    explicit OpaqueCFString(std::u16string text, bool isMutable_ = false, CFIndex maxLength_ = 0)
        : units(std::move(text)), isMutable(isMutable_), maxLength(maxLength_)
    {
    }
    std::u16string units;
    bool isMutable = false;
    CFIndex maxLength = 0;  // mutable strings only; 0 means unlimited
};

namespace platform {

extern const RuntimeClass kStringClass;

// A new immutable string (+1), or NULL when the allocator gives no memory.
CFStringRef CreateStringFromUTF16(CFAllocatorRef allocator, std::u16string units);
// A new immutable string from UTF-8 (+1); malformed sequences become U+FFFD.
CFStringRef CreateStringFromUTF8(CFAllocatorRef allocator, std::string_view utf8);
CFMutableStringRef CreateMutableStringFromUTF16(CFAllocatorRef allocator, std::u16string units, CFIndex maxLength);

// The units of a string; aborts when the object is not a string.
const std::u16string& StringUnits(CFStringRef string);
std::u16string& MutableStringUnits(CFMutableStringRef string);
// The text as UTF-8 (an unpaired surrogate becomes U+FFFD); "" for NULL.
std::string StringToUTF8(CFStringRef string);

}  // namespace platform
