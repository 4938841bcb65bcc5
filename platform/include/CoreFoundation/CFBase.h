// The Core Foundation runtime: reference-counted objects with a type id, polymorphic equality,
// hashing and description, and allocators.
//
// Ownership follows the platform's rule: a function whose name contains Create or Copy returns a
// reference the caller owns (+1) and must release; a Get function returns a borrowed reference.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef long CFIndex;
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFHashCode;

typedef const void* CFTypeRef;
typedef const struct OpaqueCFString* CFStringRef;
typedef struct OpaqueCFString* CFMutableStringRef;
typedef const struct OpaqueCFAllocator* CFAllocatorRef;
typedef CFTypeRef CFPropertyListRef;

typedef struct {
    CFIndex location;
    CFIndex length;
} CFRange;

static inline CFRange CFRangeMake(CFIndex location, CFIndex length)
{
    CFRange range = {location, length};
    return range;
}

typedef enum {
    kCFCompareLessThan = -1,
    kCFCompareEqualTo = 0,
    kCFCompareGreaterThan = 1
} CFComparisonResult;

typedef CFComparisonResult (*CFComparatorFunction)(const void* val1, const void* val2, void* context);

enum { kCFNotFound = -1 };

// Object runtime.
CFTypeID CFGetTypeID(CFTypeRef cf);
// Adds one reference. Aborts on NULL, as passing NULL is a programming error.
CFTypeRef CFRetain(CFTypeRef cf);
// Gives one reference back; the last one finalizes the object. Aborts on NULL and on a release
// of an object whose count is already 0.
void CFRelease(CFTypeRef cf);
CFIndex CFGetRetainCount(CFTypeRef cf);
// Equal objects of the same type; objects of different types are never equal, except numbers.
Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
CFHashCode CFHash(CFTypeRef cf);
// Returns a new description string (+1).
CFStringRef CFCopyDescription(CFTypeRef cf);
CFAllocatorRef CFGetAllocator(CFTypeRef cf);
// Writes the description of the object to standard error, followed by a newline.
void CFShow(CFTypeRef obj);

// Allocators.
typedef const void* (*CFAllocatorRetainCallBack)(const void* info);
typedef void (*CFAllocatorReleaseCallBack)(const void* info);
typedef CFStringRef (*CFAllocatorCopyDescriptionCallBack)(const void* info);
typedef void* (*CFAllocatorAllocateCallBack)(CFIndex allocSize, CFOptionFlags hint, void* info);
typedef void* (*CFAllocatorReallocateCallBack)(void* ptr, CFIndex newsize, CFOptionFlags hint, void* info);
typedef void (*CFAllocatorDeallocateCallBack)(void* ptr, void* info);
typedef CFIndex (*CFAllocatorPreferredSizeCallBack)(CFIndex size, CFOptionFlags hint, void* info);

typedef struct {
    CFIndex version;
    void* info;
    CFAllocatorRetainCallBack retain;
    CFAllocatorReleaseCallBack release;
    CFAllocatorCopyDescriptionCallBack copyDescription;
    CFAllocatorAllocateCallBack allocate;
    CFAllocatorReallocateCallBack reallocate;
    CFAllocatorDeallocateCallBack deallocate;
    CFAllocatorPreferredSizeCallBack preferredSize;
} CFAllocatorContext;

// NULL and kCFAllocatorDefault both mean the current default allocator (the system's).
extern const CFAllocatorRef kCFAllocatorDefault;
extern const CFAllocatorRef kCFAllocatorSystemDefault;
extern const CFAllocatorRef kCFAllocatorMalloc;
// Allocates nothing and frees nothing: used as a deallocator for bytes that must not be freed.
extern const CFAllocatorRef kCFAllocatorNull;
// As the allocator argument of CFAllocatorCreate: create the new allocator with its own context.
extern const CFAllocatorRef kCFAllocatorUseContext;

CFTypeID CFAllocatorGetTypeID(void);
// Creates an allocator (+1) whose blocks come from the context's callbacks. The context is copied;
// its info is retained with its retain callback, if any.
CFAllocatorRef CFAllocatorCreate(CFAllocatorRef allocator, CFAllocatorContext* context);
void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint);
void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr);
void CFAllocatorGetContext(CFAllocatorRef allocator, CFAllocatorContext* context);

#ifdef __cplusplus
}
#endif
