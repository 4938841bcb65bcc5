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

CFStringRef CFStringCreateWithSubstring(CFAllocatorRef alloc, CFStringRef str, CFRange range)
{
    const std::u16string& units = StringUnits(str);
    if (range.location < 0 || range.length < 0 || range.location > static_cast<CFIndex>(units.size()) ||
        range.length > static_cast<CFIndex>(units.size()) - range.location) {
        FatalError("CFStringCreateWithSubstring: range out of bounds");
    }
    return CreateStringFromUTF16(alloc, units.substr(static_cast<size_t>(range.location),
                                                     static_cast<size_t>(range.length)));
}

CFStringRef CFStringCreateByCombiningStrings(CFAllocatorRef alloc, CFArrayRef theArray, CFStringRef separatorString)
{
    const std::u16string& separator = StringUnits(separatorString);
    std::u16string joined;
    CFIndex count = CFArrayGetCount(theArray);
    for (CFIndex i = 0; i < count; ++i) {
        if (i > 0) {
            joined += separator;
        }
        joined += StringUnits(static_cast<CFStringRef>(CFArrayGetValueAtIndex(theArray, i)));
    }
    return CreateStringFromUTF16(alloc, std::move(joined));
}

CFArrayRef CFStringCreateArrayBySeparatingStrings(CFAllocatorRef alloc, CFStringRef theString,
                                                  CFStringRef separatorString)
{
    const std::u16string& units = StringUnits(theString);
    const std::u16string& separator = StringUnits(separatorString);
    CFOwner<CFMutableArrayRef> pieces = AdoptCF(CFArrayCreateMutable(alloc, 0, &kCFTypeArrayCallBacks));
    if (!pieces) {
        return nullptr;
    }
    auto appendPiece = [&](size_t from, size_t to) {
        CFOwner<CFStringRef> piece = AdoptCF(CreateStringFromUTF16(alloc, units.substr(from, to - from)));
        if (!piece) {
            return false;
        }
        CFArrayAppendValue(pieces.Get(), piece.Get());
        return true;
    };
    // An empty separator cannot split anything: the whole string is the one piece.
    size_t start = 0;
    if (!separator.empty()) {
        for (size_t found = units.find(separator); found != std::u16string::npos;
             found = units.find(separator, start)) {
            if (!appendPiece(start, found)) {
                return nullptr;
            }
            start = found + separator.size();
        }
    }
    if (!appendPiece(start, units.size())) {
        return nullptr;
    }
    return pieces.LeakRef();
}

}  // extern "C"
