// Shared by the tests of the clip keychain and of what is built on it: a fresh storage environment
// (so the clips folder and the keychain file are the test's own), cheap key derivation, passwords
// answered from a script, and a check that no key of the test's keychain is left in the user's
// kernel keyring afterwards.
#pragma once

#include "secure/ClipKeychain.h"

#include "plugin/support/TextTesting.h"
#include "support/ScriptedPasswords.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keychaintest {

using testsupport::ScriptedPasswords;

class ClipKeychainTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }
    std::string KeychainPath() const { return ClipsFolder() + "/Stashwell.keychain"; }

    // Creates the clip keychain through the plug-in with the password, and leaves it unlocked.
    void CreateKeychain(const std::string& password = "clip password");
    // The unlock bit of the clip keychain as this process sees it.
    bool IsUnlocked();
    void LockKeychain();

    testsupport::ScopedStorageEnvironment mStorage;
    ScriptedPasswords mPasswords;
};

using texttest::CreateString;
using texttest::TextOf;

// The note's data, "<none>" when the keychain gives none.
std::string ReadNote(ClipKeychain& keychain, CFStringRef name);
std::string ReadNote(ClipKeychain& keychain, const std::string& name);

}  // namespace keychaintest
