// Searches: the items of a class whose attributes equal the given ones, in creation order.
#include "security/KeychainFile.h"
#include "security/SecurityObjects.h"

#include <Security/SecKeychainSearch.h>

#include <algorithm>

namespace platform::security {
namespace {

const RuntimeClass kSearchClass{kKeychainSearchTypeID, "SecKeychainSearch", &FinalizeAs<OpaqueSecKeychainSearchRef>,
                                nullptr, nullptr, nullptr};

bool Matches(const IndexEntry& entry, SecItemClass itemClass, const SecKeychainAttributeList* attrList)
{
    if (entry.itemClass != itemClass) {
        return false;
    }
    for (UInt32 i = 0; attrList != nullptr && i < attrList->count; ++i) {
        const SecKeychainAttribute& wanted = attrList->attr[i];
        std::span<const uint8_t> value;
        for (const ItemAttribute& attribute : entry.attributes) {
            if (attribute.tag == wanted.tag) {
                value = attribute.value;
                break;
            }
        }
        const auto* bytes = static_cast<const uint8_t*>(wanted.data);
        if (value.size() != wanted.length || !std::equal(value.begin(), value.end(), bytes)) {
            return false;
        }
    }
    return true;
}

}  // namespace
}  // namespace platform::security

using namespace platform;
using namespace platform::security;

CFTypeID SecKeychainSearchGetTypeID(void)
{
    RegisterRuntimeClass(kSearchClass);
    return kKeychainSearchTypeID;
}

OSStatus SecKeychainSearchCreateFromAttributes(CFTypeRef keychainOrArray, SecItemClass itemClass,
                                               const SecKeychainAttributeList* attrList,
                                               SecKeychainSearchRef* searchRef)
{
    if (keychainOrArray == nullptr) {
        return errSecNoDefaultKeychain;
    }
    if (searchRef == nullptr || (attrList != nullptr && attrList->count > 0 && attrList->attr == nullptr)) {
        return errSecParam;
    }
    for (UInt32 i = 0; attrList != nullptr && i < attrList->count; ++i) {
        if (attrList->attr[i].length > 0 && attrList->attr[i].data == nullptr) {
            return errSecParam;
        }
    }
    std::vector<SecKeychainRef> keychains;
    if (IsType(keychainOrArray, kKeychainTypeID)) {
        keychains.push_back(static_cast<SecKeychainRef>(const_cast<void*>(keychainOrArray)));
    } else if (IsType(keychainOrArray, kArrayTypeID)) {
        auto array = static_cast<CFArrayRef>(keychainOrArray);
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
            CFTypeRef value = CFArrayGetValueAtIndex(array, i);
            if (!IsType(value, kKeychainTypeID)) {
                return errSecParam;
            }
            keychains.push_back(static_cast<SecKeychainRef>(const_cast<void*>(value)));
        }
    } else {
        return errSecParam;
    }
    std::vector<SearchMatch> matches;
    for (SecKeychainRef keychain : keychains) {
        Result<std::vector<IndexEntry>> entries = ListKeychainItems(keychain->path);
        if (!entries.Ok()) {
            return entries.Status();
        }
        for (const IndexEntry& entry : entries.Value()) {
            if (Matches(entry, itemClass, attrList)) {
                matches.push_back(SearchMatch{RetainCF(keychain), entry.id});
            }
        }
    }
    *searchRef = CreateInstance<OpaqueSecKeychainSearchRef>(nullptr, kSearchClass, std::move(matches));
    return *searchRef != nullptr ? OSStatus{noErr} : OSStatus{errSecAllocate};
}

OSStatus SecKeychainSearchCopyNext(SecKeychainSearchRef searchRef, SecKeychainItemRef* itemRef)
{
    if (!IsType(searchRef, kKeychainSearchTypeID)) {
        return errSecInvalidSearchRef;
    }
    if (itemRef == nullptr) {
        return errSecParam;
    }
    if (searchRef->next >= searchRef->matches.size()) {
        return errSecItemNotFound;
    }
    const SearchMatch& match = searchRef->matches[searchRef->next++];
    *itemRef = NewItemObject(match.keychain.Get(), match.id);
    return *itemRef != nullptr ? OSStatus{noErr} : OSStatus{errSecAllocate};
}
