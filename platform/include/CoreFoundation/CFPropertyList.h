// XML property lists: strings, numbers, booleans, data, dates, arrays and dictionaries.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFData.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    kCFPropertyListImmutable = 0,
    kCFPropertyListMutableContainers = 1,
    kCFPropertyListMutableContainersAndLeaves = 2
} CFPropertyListMutabilityOptions;

typedef enum {
    kCFPropertyListOpenStepFormat = 1,
    kCFPropertyListXMLFormat_v1_0 = 100,
    kCFPropertyListBinaryFormat_v1_0 = 200
} CFPropertyListFormat;

// Parses an XML property list (+1). NULL on any error; errorString then receives a new string
// describing it (the caller releases it), when given. Inputs larger than
// kPlatformPropertyListMaxBytes are refused. mutabilityOption: see CFPropertyListMutabilityOptions.
CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef allocator, CFDataRef xmlData,
                                                  CFOptionFlags mutabilityOption, CFStringRef* errorString);
// The XML form of the list (+1), in the original platform's layout; NULL when the value is not a
// property list (a dictionary key that is not a string, an object of another type).
CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef allocator, CFPropertyListRef propertyList);
// A deep copy (+1) whose containers (and leaves) are mutable as the option asks.
CFPropertyListRef CFPropertyListCreateDeepCopy(CFAllocatorRef allocator, CFPropertyListRef propertyList,
                                               CFOptionFlags mutabilityOption);

// The largest XML property list that is parsed: a guard against hostile files.
enum { kPlatformPropertyListMaxBytes = 256 * 1024 * 1024 };

#ifdef __cplusplus
}
#endif
