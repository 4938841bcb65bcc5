// Flavor types as four-character strings (Mac OS Roman), and the list of them a clip record keeps.
#include "content/FlavorSet.h"
#include "support/CFObj.h"

namespace {

bool IsTextFlavor(UInt32 flavorType)
{
    return flavorType == kScrapFlavorTypeUnicode || flavorType == kScrapFlavorTypeText;
}

}  // namespace

CFMutableArrayRef FlavorSet::CreateFlavorTypeStringsArray()
{
    CFMutableArrayRef strings = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    if (strings == nullptr) {
        return nullptr;
    }
    for (const auto& entry : *this) {
        if (mUsePlainText && !IsTextFlavor(entry.first)) {
            continue;
        }
        CFObj<CFStringRef> typeString(CreateCFStringFromFourCharCode(entry.first));
        if (typeString.Get() != nullptr) {
            CFArrayAppendValue(strings, typeString);
        }
    }
    return strings;
}

CFStringRef FlavorSet::CreateCFStringFromFourCharCode(UInt32 flavorType)
{
    const UInt8 bytes[4] = {static_cast<UInt8>(flavorType >> 24), static_cast<UInt8>(flavorType >> 16),
                            static_cast<UInt8>(flavorType >> 8), static_cast<UInt8>(flavorType)};
    return CFStringCreateWithBytes(kCFAllocatorDefault, bytes, 4, kCFStringEncodingMacRoman, false);
}

UInt32 FlavorSet::CreateFourCharCodeFromCFString(CFStringRef string)
{
    if (string == nullptr) {
        return 0;
    }
    // Room for the type strings this system writes and some more; a string that does not convert
    // (too long, or a character outside Mac OS Roman) names no type. Missing bytes of a shorter
    // string stay 0.
    char bytes[16] = {};
    if (!CFStringGetCString(string, bytes, sizeof bytes, kCFStringEncodingMacRoman)) {
        return 0;
    }
    return (static_cast<UInt32>(static_cast<UInt8>(bytes[0])) << 24) |
           (static_cast<UInt32>(static_cast<UInt8>(bytes[1])) << 16) |
           (static_cast<UInt32>(static_cast<UInt8>(bytes[2])) << 8) | static_cast<UInt32>(static_cast<UInt8>(bytes[3]));
}
