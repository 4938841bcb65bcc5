// The keys of a clip record in the clip list, and typed reads of its values. The list comes from
// a preferences file any process of the user can write, so a value of an unexpected type counts
// as missing.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#define kClipNameKey CFSTR("NAME")
#define kClipSubmenuKey CFSTR("SUBMENU")
#define kClipSecureKey CFSTR("SECURE")
#define kClipFileNameKey CFSTR("FILENAME")
#define kClipFlavorsKey CFSTR("FLAVORS")
#define kClipUsePlainTextKey CFSTR("USE_PLAIN_TEXT")

// The string under key (not retained), or NULL.
inline CFStringRef GetClipString(CFDictionaryRef record, CFStringRef key)
{
    CFTypeRef value = CFDictionaryGetValue(record, key);
    return value != nullptr && CFGetTypeID(value) == CFStringGetTypeID() ? static_cast<CFStringRef>(value) : nullptr;
}

// The array under key (not retained), or NULL.
inline CFArrayRef GetClipArray(CFDictionaryRef record, CFStringRef key)
{
    CFTypeRef value = CFDictionaryGetValue(record, key);
    return value != nullptr && CFGetTypeID(value) == CFArrayGetTypeID() ? static_cast<CFArrayRef>(value) : nullptr;
}

// Only a boolean true counts.
inline bool IsClipFlagSet(CFDictionaryRef record, CFStringRef key)
{
    CFTypeRef value = CFDictionaryGetValue(record, key);
    return value != nullptr && CFGetTypeID(value) == CFBooleanGetTypeID() &&
           CFBooleanGetValue(static_cast<CFBooleanRef>(value));
}
