// The platform objects of the keychain services, shared by the files that implement the Sec calls.
#pragma once

#include "base/CFOwner.h"
#include "cf/Runtime.h"
#include "security/KeychainFormat.h"

#include <Security/SecBase.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A keychain is named by its absolute path; its state lives in the file and the key store, so any
// number of references to one file agree.
struct OpaqueSecKeychainRef : platform::RuntimeBase {
    explicit OpaqueSecKeychainRef(std::string path_) : path(std::move(path_)) {}
    std::string path;
};

// An item is its keychain and its id in that keychain's file.
struct OpaqueSecKeychainItemRef : platform::RuntimeBase {
    OpaqueSecKeychainItemRef(platform::CFOwner<SecKeychainRef> keychain_, uint64_t id_)
        : keychain(std::move(keychain_)), id(id_)
    {
    }
    platform::CFOwner<SecKeychainRef> keychain;
    uint64_t id;
};

struct SearchMatch {
    platform::CFOwner<SecKeychainRef> keychain;
    uint64_t id;
};

struct OpaqueSecKeychainSearchRef : platform::RuntimeBase {
    explicit OpaqueSecKeychainSearchRef(std::vector<SearchMatch> matches_) : matches(std::move(matches_)) {}
    std::vector<SearchMatch> matches;
    size_t next = 0;
};

// An access object owns its entries; an ACL object shares one entry with the access object it came
// from, so that changing the entry changes the access object.
struct OpaqueSecAccessRef : platform::RuntimeBase {
    std::string descriptor;
    std::vector<std::shared_ptr<platform::security::AclEntryRecord>> entries;
};

struct OpaqueSecACLRef : platform::RuntimeBase {
    OpaqueSecACLRef(platform::CFOwner<SecAccessRef> access_,
                    std::shared_ptr<platform::security::AclEntryRecord> entry_)
        : access(std::move(access_)), entry(std::move(entry_))
    {
    }
    platform::CFOwner<SecAccessRef> access;
    std::shared_ptr<platform::security::AclEntryRecord> entry;
};

struct OpaqueSecTrustedApplicationRef : platform::RuntimeBase {
    explicit OpaqueSecTrustedApplicationRef(std::string path_) : path(std::move(path_)) {}
    std::string path;
};

namespace platform::security {

// New objects (+1), NULL when memory ran out.
SecKeychainRef NewKeychainObject(std::string path);
SecKeychainItemRef NewItemObject(SecKeychainRef keychain, uint64_t id);
SecAccessRef NewAccessObject(const AccessRecord& record);
SecTrustedApplicationRef NewTrustedApplicationObject(std::string path);

// The record of an access object, as stored with an item.
AccessRecord AccessToRecord(SecAccessRef access);
// The paths of an array of trusted applications; false when an element is not one.
bool ApplicationPaths(CFArrayRef applications, std::vector<std::string>& paths);
// A new array (+1) of trusted applications for the paths.
CFArrayRef CreateApplicationArray(const std::vector<std::string>& paths);

}  // namespace platform::security
