// Shared by the tests of secure clips through the plug-in's entry points: a plug-in session and
// its clip list over a clip keychain of the test's own.
#pragma once

#include "plugin/secure/ClipKeychainTesting.h"
#include "plugin/support/ClipListTesting.h"
#include "plugin/support/PluginSession.h"

#include "content/FlavorSet.h"

#include <string>
#include <utility>
#include <vector>

namespace keychaintesting {

using cliplisttest::ClipRecord;
using cliplisttest::ReadStoredClipList;
using cliplisttest::StoreClipList;
using cliplisttest::StoredRecord;
using Flavors = std::vector<std::pair<std::string, std::string>>;

class SecureClipTest : public ClipKeychainTest {
protected:
    void TearDown() override;

    std::string MenuOutline() { return mSession.MenuOutline(); }
    void Pick(SInt32 command) { mSession.Pick(command); }
    // Stores a secure clip within one menu, as the dispatcher does once the dialog is confirmed.
    void AddSecureClip(const std::string& name, FlavorSet& flavors, CFStringRef submenu = CFSTR("/Stashwell"));

    Flavors Clipboard();
    // The note's data, "<none>" when there is none (the keychain must be unlocked).
    std::string NoteData(const std::string& noteName);

    sessiontest::PluginSession mSession;
};

}  // namespace keychaintesting
