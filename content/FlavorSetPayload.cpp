// The secure-note payload: a secure clip's content as the note stores it. Either an XML property
// list whose root dictionary maps each flavor's type string to the flavor's bytes, or, for a
// plain-text clip, the clip's text as UTF-8. Which form a note holds is not in the note: the clip
// record's plain-text flag tells it. Reading a note from the keychain is the keychain's side
// (secure/SecureClipContent.cpp).
#include "content/FlavorSet.h"

#include "support/CFObj.h"
#include "support/MemoryOwners.h"

#include <cstdint>

namespace {

bool IsTextFlavor(UInt32 flavorType)
{
    return flavorType == kScrapFlavorTypeUnicode || flavorType == kScrapFlavorTypeText;
}

}  // namespace

CFDictionaryRef FlavorSet::CreateTemporaryContentDict()
{
    CFMutableDictionaryRef content = CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                               &kCFTypeDictionaryValueCallBacks);
    if (content == nullptr) {
        return nullptr;
    }
    CFObj<CFMutableDictionaryRef> owner(content);
    for (const auto& [flavorType, block] : *this) {
        if (mUsePlainText && !IsTextFlavor(flavorType)) {
            continue;
        }
        CFObj<CFStringRef> key(CreateCFStringFromFourCharCode(flavorType));
        // The data refers to the set's own block, so the dictionary must be used up while the set
        // is alive and unchanged: clip creation serialises it at once.
        const CFIndex size = block != nullptr ? static_cast<CFIndex>(GetPtrSize(block)) : 0;
        CFObj<CFDataRef> value(CFDataCreateWithBytesNoCopy(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(block),
                                                           size, kCFAllocatorNull));
        if (key.Get() != nullptr && value.Get() != nullptr) {
            CFDictionarySetValue(content, key.Get(), value.Get());
        }
    }
    return owner.HandOut();
}

CFStringRef FlavorSet::CreateCFStringContent()
{
    // The 'utxt' units as they are, a leading byte-order mark included: it becomes the text's
    // first character and so the payload's first UTF-8 bytes.
    auto unicode = find(kScrapFlavorTypeUnicode);
    if (unicode != end() && unicode->second != nullptr && GetPtrSize(unicode->second) >= 2) {
        const CFIndex units = static_cast<CFIndex>(GetPtrSize(unicode->second) / 2);
        return CFStringCreateWithCharacters(kCFAllocatorDefault, reinterpret_cast<const UniChar*>(unicode->second),
                                            units);
    }
    auto text = find(kScrapFlavorTypeText);
    if (text != end() && text->second != nullptr && GetPtrSize(text->second) >= 1) {
        return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text->second),
                                       static_cast<CFIndex>(GetPtrSize(text->second)), CFStringGetSystemEncoding(),
                                       false);
    }
    return nullptr;
}

void FlavorSet::CreateFromXMLData(CFDataRef xmlData)
{
    if (xmlData == nullptr) {
        return;
    }
    CFStringRef errorString = nullptr;
    CFObj<CFPropertyListRef> parsed(
        CFPropertyListCreateFromXMLData(kCFAllocatorDefault, xmlData, kCFPropertyListImmutable, &errorString));
    CFObj<CFStringRef> error(errorString);
    if (parsed.Get() == nullptr || CFGetTypeID(parsed.Get()) != CFDictionaryGetTypeID()) {
        return;
    }
    auto content = static_cast<CFDictionaryRef>(parsed.Get());
    const CFIndex count = CFDictionaryGetCount(content);
    if (count <= 0) {
        return;
    }
    AStdMalloc<const void*> keys;
    AStdMalloc<const void*> values;
    keys.AllocateAndCopy(nullptr, static_cast<UInt32>(count), kMemObjClear);
    values.AllocateAndCopy(nullptr, static_cast<UInt32>(count), kMemObjClear);
    CFDictionaryGetKeysAndValues(content, keys.Get(), values.Get());

    for (CFIndex i = 0; i < count; ++i) {
        auto key = static_cast<CFTypeRef>(keys.Get()[i]);
        auto value = static_cast<CFTypeRef>(values.Get()[i]);
        if (key == nullptr || value == nullptr || CFGetTypeID(key) != CFStringGetTypeID() ||
            CFGetTypeID(value) != CFDataGetTypeID()) {
            continue;
        }
        // A key that converts to no type (too long for a type string, or outside Mac OS Roman)
        // was not written by this system: it names no flavor.
        const UInt32 flavorType = CreateFourCharCodeFromCFString(static_cast<CFStringRef>(key));
        auto data = static_cast<CFDataRef>(value);
        const CFIndex length = CFDataGetLength(data);
        if (flavorType == 0 || length <= 0 || length > INT32_MAX) {
            continue;
        }
        AMacPtr<char> block;
        block.AllocateAndCopy(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<SInt32>(length),
                              kMemObjNoClear);
        StoreFlavor(flavorType, block.HandOut());
    }
}
