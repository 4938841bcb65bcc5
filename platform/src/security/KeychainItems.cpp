// Items of a keychain file: listing them from the index, reading one, adding and deleting.
#include "security/KeychainFile.h"

#include "security/KeychainRecords.h"

#include <Security/SecBase.h>
#include <Security/SecKeychainItem.h>

#include <algorithm>
#include <initializer_list>

namespace platform::security {
namespace {

// The attributes that make an item unique in its class; classes not listed have no such rule.
std::vector<uint32_t> UniqueAttributesOf(uint32_t itemClass)
{
    switch (itemClass) {
    case kSecGenericPasswordItemClass:
        return {kSecAccountItemAttr, kSecServiceItemAttr};
    case kSecInternetPasswordItemClass:
        return {kSecAccountItemAttr,  kSecSecurityDomainItemAttr, kSecServerItemAttr, kSecProtocolItemAttr,
                kSecAuthenticationTypeItemAttr, kSecPortItemAttr, kSecPathItemAttr};
    default:
        return {};
    }
}

// An attribute's value, empty when the item does not have it.
std::span<const uint8_t> ValueOf(const std::vector<ItemAttribute>& attributes, uint32_t tag)
{
    for (const ItemAttribute& attribute : attributes) {
        if (attribute.tag == tag) {
            return attribute.value;
        }
    }
    return {};
}

bool SameUniqueAttributes(const IndexEntry& entry, uint32_t itemClass, const std::vector<ItemAttribute>& attributes)
{
    std::vector<uint32_t> unique = UniqueAttributesOf(itemClass);
    if (entry.itemClass != itemClass || unique.empty()) {
        return false;
    }
    return std::all_of(unique.begin(), unique.end(), [&](uint32_t tag) {
        std::span<const uint8_t> a = ValueOf(entry.attributes, tag);
        std::span<const uint8_t> b = ValueOf(attributes, tag);
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    });
}

// What the file's reader would refuse is refused here, before it is written.
bool FitsTheFormat(const std::vector<ItemAttribute>& attributes, std::span<const uint8_t> data,
                   const AccessRecord& access)
{
    if (attributes.size() > kMaxAttributes || data.size() > kMaxFileSize || access.descriptor.size() > kMaxTextLength ||
        access.entries.size() > kMaxAclEntries) {
        return false;
    }
    for (const ItemAttribute& attribute : attributes) {
        if (attribute.value.size() > kMaxAttributeLength) {
            return false;
        }
    }
    for (const AclEntryRecord& entry : access.entries) {
        if (entry.authorizations.size() > kMaxAuthorizations || entry.applications.size() > kMaxApplications ||
            entry.description.size() > kMaxTextLength) {
            return false;
        }
        for (const std::string& application : entry.applications) {
            if (application.size() > kMaxTextLength) {
                return false;
            }
        }
    }
    return true;
}

struct OpenedFile {
    KeychainSnapshot snapshot;
    SecretBuffer key;
    KeychainIndex index;
};

Result<OpenedFile> OpenFile(const std::string& path)
{
    Result<KeychainSnapshot> snapshot = ReadKeychainFile(path);
    if (!snapshot.Ok()) {
        return Failure{snapshot.Status()};
    }
    Result<SecretBuffer> key = RequireKey(path, snapshot.Value());
    if (!key.Ok()) {
        return Failure{key.Status()};
    }
    Result<KeychainIndex> index = OpenIndex(snapshot->bytes, snapshot->preamble, key->Bytes());
    if (!index.Ok()) {
        return Failure{index.Status()};
    }
    return OpenedFile{std::move(snapshot.Value()), std::move(key.Value()), std::move(index.Value())};
}

}  // namespace

Result<std::vector<IndexEntry>> ListKeychainItems(const std::string& path)
{
    Result<OpenedFile> file = OpenFile(path);
    if (!file.Ok()) {
        return Failure{file.Status()};
    }
    return std::move(file->index.entries);
}

Result<ItemRecord> ReadKeychainItem(const std::string& path, uint64_t id)
{
    Result<OpenedFile> file = OpenFile(path);
    if (!file.Ok()) {
        return Failure{file.Status()};
    }
    for (const IndexEntry& entry : file->index.entries) {
        if (entry.id == id) {
            return OpenItem(file->snapshot.bytes, file->snapshot.preamble, file->key.Bytes(), entry);
        }
    }
    return Failure{errSecInvalidItemRef};
}

Result<uint64_t> AddKeychainItem(const std::string& path, uint32_t itemClass, std::vector<ItemAttribute> attributes,
                                 std::span<const uint8_t> data, const AccessRecord& access)
{
    if (!FitsTheFormat(attributes, data, access)) {
        return Failure{errSecDataTooLarge};
    }
    SecretBuffer plaintext = EncodeItem(itemClass, attributes, data, access);
    if (!plaintext.Valid()) {
        return Failure{errSecAllocate};
    }
    uint64_t newId = 0;
    OSStatus status = EditKeychainFile(path, [&](KeychainEdit& change) -> OSStatus {
        for (const PlacedItem& item : *change.items) {
            if (SameUniqueAttributes(item.entry, itemClass, attributes)) {
                return errSecDuplicateItem;
            }
        }
        if (change.items->size() >= kMaxItems) {
            return errSecDataTooLarge;
        }
        newId = change.nextId++;
        change.newRecords->push_back(SealItemRecord(change.headerBytes, change.masterKey, newId, plaintext.Bytes()));
        if (change.newRecords->back().empty()) {
            return errSecAllocate;
        }
        IndexEntry entry;
        entry.id = newId;
        entry.itemClass = itemClass;
        entry.attributes = attributes;
        change.items->push_back(PlacedItem{std::move(entry), change.newRecords->back()});
        return noErr;
    });
    if (status != noErr) {
        return Failure{status};
    }
    return newId;
}

OSStatus DeleteKeychainItem(const std::string& path, uint64_t id)
{
    return EditKeychainFile(path, [&](KeychainEdit& change) -> OSStatus {
        auto found = std::find_if(change.items->begin(), change.items->end(),
                                  [&](const PlacedItem& item) { return item.entry.id == id; });
        if (found == change.items->end()) {
            return errSecInvalidItemRef;
        }
        change.items->erase(found);
        return noErr;
    });
}

}  // namespace platform::security
