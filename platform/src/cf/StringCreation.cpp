// New strings made from other strings: copies, substrings, and joining and splitting with arrays.
#include "base/CFOwner.h"
#include "cf/StringObject.h"

#include <CoreFoundation/CFArray.h>

#include <string>

using namespace platform;

extern "C" {

CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString)
{
    const auto* object = static_cast<const OpaqueCFString*>(theString);
    const std::u16string& units = StringUnits(theString);
    // An immutable string never changes, so a copy may be the string itself.
    if (!object->isMutable && !object->immortal && ResolveAllocator(alloc) == ResolveAllocator(object->allocator)) {
        return static_cast<CFStringRef>(CFRetain(theString));
    }
    return CreateStringFromUTF16(alloc, units);
}

}  // extern "C"
