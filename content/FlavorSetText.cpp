// Flavors made from text: 'utxt' always, 'TEXT' when the system encoding can represent all of it.
#include "content/FlavorSet.h"
#include "support/CFObj.h"
#include "support/MemoryOwners.h"

#include <cstdint>

namespace {

// The bytes of a representation as a new flavor block, or NULL when there are none or too many
// for a block owner's 32-bit count (a narrowed count would store a cut flavor as if it were whole).
Ptr CreateFlavorBlockFromData(CFDataRef data)
{
    CFIndex length = CFDataGetLength(data);
    if (length <= 0 || length > INT32_MAX) {
        return nullptr;
    }
    AMacPtr<char> block;
    block.AllocateAndCopy(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<SInt32>(length),
                          kMemObjNoClear);
    return block.HandOut();
}

}  // namespace

void FlavorSet::CreateFromCFString(CFStringRef text)
{
    if (text == nullptr || CFStringGetLength(text) == 0) {
        return;
    }
    // The byte-order mark leads the UTF-16 representation, so the flavor says its own byte order.
    CFObj<CFDataRef> unicode(CFStringCreateExternalRepresentation(kCFAllocatorDefault, text, kCFStringEncodingUnicode, 0));
    if (unicode.Get() == nullptr) {
        return;
    }
    StoreFlavor(kScrapFlavorTypeUnicode, CreateFlavorBlockFromData(unicode));
    // No loss byte: text that the system encoding cannot hold whole gets no 'TEXT' at all rather
    // than a damaged one.
    CFObj<CFDataRef> system(CFStringCreateExternalRepresentation(kCFAllocatorDefault, text, CFStringGetSystemEncoding(), 0));
    if (system.Get() != nullptr) {
        StoreFlavor(kScrapFlavorTypeText, CreateFlavorBlockFromData(system));
    }
}

void FlavorSet::CreateFromUTF8Text(const UInt8* bytes, UInt32 length)
{
    if (bytes == nullptr || length == 0) {
        return;
    }
    // As an external representation, so that a leading UTF-8 byte-order mark is not taken as text.
    CFObj<CFStringRef> text(
        CFStringCreateWithBytes(kCFAllocatorDefault, bytes, static_cast<CFIndex>(length), kCFStringEncodingUTF8, true));
    CreateFromCFString(text);
}
