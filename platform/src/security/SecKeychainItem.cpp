// Keychain item objects and the item calls.
#include "SecretHandout.h"
#include "security/KeychainFile.h"
#include "security/SecurityObjects.h"

#include <Security/SecAccess.h>
#include <Security/SecKeychainItem.h>

#include <sodium.h>

#include <cstdlib>
#include <cstring>

namespace platform::security {
namespace {

bool ItemsEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    auto* first = static_cast<const OpaqueSecKeychainItemRef*>(a);
    auto* second = static_cast<const OpaqueSecKeychainItemRef*>(b);
    return first->id == second->id && first->keychain.Get()->path == second->keychain.Get()->path;
}

CFHashCode ItemHash(const RuntimeBase* object)
{
    return static_cast<CFHashCode>(static_cast<const OpaqueSecKeychainItemRef*>(object)->id);
}

std::string DescribeItem(const RuntimeBase* object)
{
    auto* item = static_cast<const OpaqueSecKeychainItemRef*>(object);
    return "<SecKeychainItem " + std::to_string(item->id) + " in " + item->keychain.Get()->path + ">";
}

const RuntimeClass kItemClass{kKeychainItemTypeID, "SecKeychainItem", &FinalizeAs<OpaqueSecKeychainItemRef>,
                              &ItemsEqual, &ItemHash, &DescribeItem};

const OpaqueSecKeychainItemRef* AsItem(SecKeychainItemRef item)
{
    return IsType(item, kKeychainItemTypeID) ? item : nullptr;
}

std::span<const uint8_t> ValueOf(const std::vector<ItemAttribute>& attributes, uint32_t tag)
{
    for (const ItemAttribute& attribute : attributes) {
        if (attribute.tag == tag) {
            return attribute.value;
        }
    }
    return {};
}

// The attributes the caller gave, each tag at most once.
bool ReadAttributeList(const SecKeychainAttributeList* list, std::vector<ItemAttribute>& attributes)
{
    if (list == nullptr) {
        return true;
    }
    if (list->count > 0 && list->attr == nullptr) {
        return false;
    }
    for (UInt32 i = 0; i < list->count; ++i) {
        const SecKeychainAttribute& given = list->attr[i];
        if (given.length > 0 && given.data == nullptr) {
            return false;
        }
        for (const ItemAttribute& earlier : attributes) {
            if (earlier.tag == given.tag) {
                return false;
            }
        }
        const auto* bytes = static_cast<const uint8_t*>(given.data);
        attributes.push_back(ItemAttribute{given.tag, std::vector<uint8_t>(bytes, bytes + given.length)});
    }
    return true;
}

// The access of an item created without one: named after its service, else its label; one entry
// governing decryption with no trusted application.
AccessRecord DefaultAccess(const std::vector<ItemAttribute>& attributes)
{
    std::span<const uint8_t> name = ValueOf(attributes, kSecServiceItemAttr);
    if (name.empty()) {
        name = ValueOf(attributes, kSecLabelItemAttr);
    }
    AccessRecord access;
    access.descriptor.assign(reinterpret_cast<const char*>(name.data()), name.size());
    AclEntryRecord entry;
    entry.authorizations = {CSSM_ACL_AUTHORIZATION_DECRYPT};
    entry.description = access.descriptor;
    entry.promptVersion = CSSM_ACL_KEYCHAIN_PROMPT_CURRENT_VERSION;
    access.entries.push_back(std::move(entry));
    return access;
}

// Fills each attribute's length and data (from malloc) with the item's value for its tag.
bool FillAttributes(SecKeychainAttribute* attrs, UInt32 count, const std::vector<ItemAttribute>& values)
{
    for (UInt32 i = 0; i < count; ++i) {
        std::span<const uint8_t> value = ValueOf(values, attrs[i].tag);
        attrs[i].length = static_cast<UInt32>(value.size());
        attrs[i].data = nullptr;
        if (value.empty()) {
            continue;
        }
        attrs[i].data = std::malloc(value.size());
        if (attrs[i].data == nullptr) {
            return false;
        }
        std::memcpy(attrs[i].data, value.data(), value.size());
    }
    return true;
}

void FreeAttributes(SecKeychainAttribute* attrs, UInt32 count)
{
    for (UInt32 i = 0; attrs != nullptr && i < count; ++i) {
        std::free(attrs[i].data);
        attrs[i].data = nullptr;
        attrs[i].length = 0;
    }
}

}  // namespace

SecKeychainItemRef NewItemObject(SecKeychainRef keychain, uint64_t id)
{
    return CreateInstance<OpaqueSecKeychainItemRef>(nullptr, kItemClass, RetainCF(keychain), id);
}

}  // namespace platform::security

using namespace platform;
using namespace platform::security;

CFTypeID SecKeychainItemGetTypeID(void)
{
    RegisterRuntimeClass(kItemClass);
    return kKeychainItemTypeID;
}

OSStatus SecKeychainItemCreateFromContent(SecItemClass itemClass, SecKeychainAttributeList* attrList, UInt32 length,
                                          const void* data, SecKeychainRef keychainRef, SecAccessRef initialAccess,
                                          SecKeychainItemRef* itemRef)
{
    if (!IsType(keychainRef, kKeychainTypeID)) {
        return keychainRef == nullptr ? errSecNoDefaultKeychain : errSecInvalidKeychain;
    }
    std::vector<ItemAttribute> attributes;
    if ((length > 0 && data == nullptr) || !ReadAttributeList(attrList, attributes) ||
        (initialAccess != nullptr && !IsType(initialAccess, kAccessTypeID))) {
        return errSecParam;
    }
    AccessRecord access = initialAccess != nullptr ? AccessToRecord(initialAccess) : DefaultAccess(attributes);
    Result<uint64_t> id = AddKeychainItem(keychainRef->path, itemClass, std::move(attributes),
                                          std::span<const uint8_t>(static_cast<const uint8_t*>(data), length), access);
    if (!id.Ok()) {
        return id.Status();
    }
    if (itemRef != nullptr) {
        *itemRef = NewItemObject(keychainRef, id.Value());
        if (*itemRef == nullptr) {
            return errSecAllocate;
        }
    }
    return noErr;
}

OSStatus SecKeychainItemCopyContent(SecKeychainItemRef itemRef, SecItemClass* itemClass,
                                    SecKeychainAttributeList* attrList, UInt32* length, void** outData)
{
    const OpaqueSecKeychainItemRef* item = AsItem(itemRef);
    if (item == nullptr) {
        return errSecInvalidItemRef;
    }
    if (attrList != nullptr && attrList->count > 0 && attrList->attr == nullptr) {
        return errSecParam;
    }
    Result<ItemRecord> record = ReadKeychainItem(item->keychain.Get()->path, item->id);
    if (!record.Ok()) {
        return record.Status();
    }
    if (attrList != nullptr && !FillAttributes(attrList->attr, attrList->count, record->attributes)) {
        FreeAttributes(attrList->attr, attrList->count);
        return errSecAllocate;
    }
    if (itemClass != nullptr) {
        *itemClass = record->itemClass;
    }
    if (length != nullptr) {
        *length = static_cast<UInt32>(record->data.Size());
    }
    if (outData != nullptr) {
        // The data stays in the secret memory it was opened into; the caller's free call wipes it.
        *outData = record->data.Release();
        NoteSecretHandedOut();
    }
    return noErr;
}

OSStatus SecKeychainItemFreeContent(SecKeychainAttributeList* attrList, void* data)
{
    if (attrList != nullptr) {
        FreeAttributes(attrList->attr, attrList->count);
    }
    if (data != nullptr) {
        sodium_free(data);
    }
    return noErr;
}

OSStatus SecKeychainItemCopyAttributesAndData(SecKeychainItemRef itemRef, SecKeychainAttributeInfo* info,
                                              SecItemClass* itemClass, SecKeychainAttributeList** attrList,
                                              UInt32* length, void** outData)
{
    const OpaqueSecKeychainItemRef* item = AsItem(itemRef);
    if (item == nullptr) {
        return errSecInvalidItemRef;
    }
    if (info != nullptr && info->count > 0 && info->tag == nullptr) {
        return errSecParam;
    }
    Result<ItemRecord> record = ReadKeychainItem(item->keychain.Get()->path, item->id);
    if (!record.Ok()) {
        return record.Status();
    }
    if (attrList != nullptr) {
        UInt32 count = info != nullptr ? info->count : 0;
        // The list and its attribute records are one block; each value is a block of its own.
        auto* list = static_cast<SecKeychainAttributeList*>(
            std::calloc(1, sizeof(SecKeychainAttributeList) + count * sizeof(SecKeychainAttribute)));
        if (list == nullptr) {
            return errSecAllocate;
        }
        list->count = count;
        list->attr = count > 0 ? reinterpret_cast<SecKeychainAttribute*>(list + 1) : nullptr;
        for (UInt32 i = 0; i < count; ++i) {
            list->attr[i].tag = info->tag[i];
        }
        if (!FillAttributes(list->attr, count, record->attributes)) {
            FreeAttributes(list->attr, count);
            std::free(list);
            return errSecAllocate;
        }
        *attrList = list;
    }
    if (itemClass != nullptr) {
        *itemClass = record->itemClass;
    }
    if (length != nullptr) {
        *length = static_cast<UInt32>(record->data.Size());
    }
    if (outData != nullptr) {
        *outData = record->data.Release();
        NoteSecretHandedOut();
    }
    return noErr;
}

OSStatus SecKeychainItemFreeAttributesAndData(SecKeychainAttributeList* attrList, void* data)
{
    if (attrList != nullptr) {
        FreeAttributes(attrList->attr, attrList->count);
        std::free(attrList);
    }
    if (data != nullptr) {
        sodium_free(data);
    }
    return noErr;
}

OSStatus SecKeychainItemDelete(SecKeychainItemRef itemRef)
{
    const OpaqueSecKeychainItemRef* item = AsItem(itemRef);
    if (item == nullptr) {
        return errSecInvalidItemRef;
    }
    return DeleteKeychainItem(item->keychain.Get()->path, item->id);
}

OSStatus SecKeychainItemCopyAccess(SecKeychainItemRef itemRef, SecAccessRef* access)
{
    const OpaqueSecKeychainItemRef* item = AsItem(itemRef);
    if (item == nullptr) {
        return errSecInvalidItemRef;
    }
    if (access == nullptr) {
        return errSecParam;
    }
    Result<ItemRecord> record = ReadKeychainItem(item->keychain.Get()->path, item->id);
    if (!record.Ok()) {
        return record.Status();
    }
    *access = NewAccessObject(record->access);
    return *access != nullptr ? OSStatus{noErr} : OSStatus{errSecAllocate};
}
