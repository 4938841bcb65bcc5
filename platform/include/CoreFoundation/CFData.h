// Immutable and mutable byte buffers.
#pragma once

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct OpaqueCFData* CFDataRef;
typedef struct OpaqueCFData* CFMutableDataRef;

CFTypeID CFDataGetTypeID(void);
// Copies the bytes (+1).
CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
// Takes the bytes over without copying (+1); bytesDeallocator frees them when the data object
// goes away (kCFAllocatorNull: never freed; NULL: the default allocator frees them).
CFDataRef CFDataCreateWithBytesNoCopy(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length,
                                      CFAllocatorRef bytesDeallocator);
CFDataRef CFDataCreateCopy(CFAllocatorRef allocator, CFDataRef theData);
CFMutableDataRef CFDataCreateMutable(CFAllocatorRef allocator, CFIndex capacity);
CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFDataRef theData);
CFIndex CFDataGetLength(CFDataRef theData);
const UInt8* CFDataGetBytePtr(CFDataRef theData);
void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length);

#ifdef __cplusplus
}
#endif
