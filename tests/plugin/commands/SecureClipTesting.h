// Shared by the tests of secure clips through the plug-in's entry points: a plug-in session and
// its clip list over a clip keychain of the test's own.
#pragma once

#include "plugin/secure/ClipKeychainTesting.h"
#include "support/StoredClipList.h"
#include "plugin/support/PluginSession.h"
#include "support/ClipboardFlavors.h"

#include <string>
#include <utility>
#include <vector>

namespace keychaintest {

using cliplisttest::ClipRecord;
using cliplisttest::ReadStoredClipList;
using cliplisttest::StoreClipList;
using cliplisttest::StoredRecord;
using Flavors = std::vector<std::pair<std::string, std::string>>;

class SecureClipTest : public ClipKeychainTest {
protected:
    void TearDown() override
    {
        ClipKeychain(KeychainPath().c_str()).Lock();
        ClipKeychainTest::TearDown();
    }

    std::string MenuOutline() { return mSession.MenuOutline(); }
    void Pick(SInt32 command) { mSession.Pick(command); }
    Flavors Clipboard() { return testsupport::ReadClipboardFlavors(); }

    sessiontest::PluginSession mSession;
};

}  // namespace keychaintest
