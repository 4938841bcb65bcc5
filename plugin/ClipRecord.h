// The keys of a clip record in the clip list, and typed reads of its values. The list comes from
// a preferences file any process of the user can write, so a value of an unexpected type counts
// as missing.
#pragma once

#include "support/CFObj.h"

#include <CoreFoundation/CoreFoundation.h>

#define kClipNameKey CFSTR("NAME")
#define kClipSubmenuKey CFSTR("SUBMENU")
#define kClipSecureKey CFSTR("SECURE")
#define kClipFileNameKey CFSTR("FILENAME")
#define kClipFlavorsKey CFSTR("FLAVORS")
#define kClipUsePlainTextKey CFSTR("USE_PLAIN_TEXT")
// A string no other record was ever given, so that a clip deleted and added again under the same
// name and folder is still another clip: a menu that showed the first never acts on the second.
// Records stored before it existed have none.
#define kClipIdentifierKey CFSTR("CLIP_ID")

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

// Gives a new record its identifier; a record that cannot get one is still a record (it is told
// apart by its other keys, as records of earlier versions are).
inline void SetNewClipIdentifier(CFMutableDictionaryRef record)
{
    CFObj<CFUUIDRef> uuid(CFUUIDCreate(kCFAllocatorDefault));
    if (uuid.Get() == nullptr) {
        return;
    }
    CFObj<CFStringRef> identifier(CFUUIDCreateString(kCFAllocatorDefault, uuid.Get()));
    if (identifier.Get() != nullptr) {
        CFDictionarySetValue(record, kClipIdentifierKey, identifier.Get());
    }
}

// Only a boolean true counts.
inline bool IsClipFlagSet(CFDictionaryRef record, CFStringRef key)
{
    CFTypeRef value = CFDictionaryGetValue(record, key);
    return value != nullptr && CFGetTypeID(value) == CFBooleanGetTypeID() &&
           CFBooleanGetValue(static_cast<CFBooleanRef>(value));
}
