// Shared by the keychain tests: a fixture with a fresh folder, cheap key derivation, a scripted
// password source, and a check that every key the test put in the user's keyring is gone after it.
#pragma once

#include "CFOwner.h"
#include "support/ScriptedPasswords.h"
#include "support/TempDir.h"

#include <Security/Security.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keychaintest {

using KeychainOwner = platform::CFOwner<SecKeychainRef>;
using ItemOwner = platform::CFOwner<SecKeychainItemRef>;
using SearchOwner = platform::CFOwner<SecKeychainSearchRef>;
using AccessOwner = platform::CFOwner<SecAccessRef>;

using testsupport::ScriptedPasswords;

// Every key description under which a key for this file could be in the user's keyring now.
std::string DescriptionOf(const std::string& path);
// Whether the user's kernel keyring holds a key with that description.
bool KernelKeyringHolds(const std::string& description);

class KeychainTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string& name = "Test.keychain") const { return mDir.Child(name); }
    // Creates a keychain with the password, without a prompt.
    KeychainOwner Create(const std::string& password, const std::string& name = "Test.keychain");
    KeychainOwner Open(const std::string& name = "Test.keychain");
    SecKeychainStatus Status(SecKeychainRef keychain);

    testsupport::ScopedTempDir mDir;
    ScriptedPasswords mPasswords;
    long mLiveObjects = 0;
};

// Adds a generic password with service and account, answering its status.
OSStatus AddGenericPassword(SecKeychainRef keychain, const std::string& service, const std::string& account,
                            const std::string& data, SecKeychainItemRef* item = nullptr);
// The item's data, or "<status>" when it cannot be copied.
std::string DataOf(SecKeychainItemRef item);
// The first generic password with the service (+1), or NULL.
SecKeychainItemRef FindGenericPassword(SecKeychainRef keychain, const std::string& service);

}  // namespace keychaintest
