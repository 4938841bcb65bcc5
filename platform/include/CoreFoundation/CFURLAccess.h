// Reading a whole file through its URL.
#pragma once

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kCFURLUnknownError = -10,
    kCFURLResourceNotFoundError = -12,
    kCFURLResourceAccessViolationError = -13
};

// Reads the file that a file URL names into *resourceData (+1). No properties are supported:
// properties and desiredProperties are ignored and *properties, when given, is set to NULL. On
// failure answers false, *resourceData is NULL and *errorCode (may be NULL) tells why.
Boolean CFURLCreateDataAndPropertiesFromResource(CFAllocatorRef alloc, CFURLRef url, CFDataRef* resourceData,
                                                 CFDictionaryRef* properties, CFArrayRef desiredProperties,
                                                 SInt32* errorCode);

#ifdef __cplusplus
}
#endif
