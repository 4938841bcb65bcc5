// The built Stashwell.plugin loaded into the test's own process as the popup loads it, over storage
// folders of the test's own: an item picked from a menu over selected text, and the clip list read
// back as stored. The Qt user must be made before this object and go after it.
#pragma once

#include "support/StoredClipList.h"
#include "support/TempDir.h"

#include "application/ContextData.h"
#include "manager/ContextualMenu.h"
#include "manager/MenuPath.h"
#include "manager/PlugInLoader.h"
#include "prefs/PreferencesStore.h"

#include <PlatformPasswords.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace popuptest {

class StashwellInProcess {
public:
    StashwellInProcess()
    {
        // Keychains made here are cheap to open, and their keys stay in this process.
        PlatformSetKeychainCreationCostForTesting(1, 8192 * 1024);
        PlatformUseProcessKeyStoreForTesting(true);
        mPlugIns = cmhost::LoadPlugIns(STASHWELL_BUNDLE_DIR);
        EXPECT_EQ(mPlugIns.error, "");
    }
    ~StashwellInProcess()
    {
        mPlugIns.instances.clear();
        platform::prefs::ResetPreferencesForTesting();
        PlatformUseProcessKeyStoreForTesting(false);
        PlatformSetKeychainCreationCostForTesting(0, 0);
    }

    // Opens the menu over the selected text, picks the item at path, closes the menu.
    void Choose(const std::string& path, const std::string& selectedText = "Dear John,")
    {
        cmhost::ScopedAEDesc context = cmhost::CreateContextDescriptor(*cmhost::TextContextData(selectedText));
        cmhost::ContextualMenu menu(mPlugIns.instances, *context.Mutable());
        const cmhost::MenuItem* item = cmhost::FindCommandByPath(menu.Items(), path, 0);
        ASSERT_TRUE(item != nullptr && item->command) << "no item " << path;
        EXPECT_EQ(menu.Choose(*item->command), noErr) << path;
    }

    // The clip list as stored now, a clip as "submenu/name", with " (secure)" after a secure one.
    std::vector<std::string> Clips() const
    {
        std::vector<std::string> clips;
        for (cliplisttest::StoredRecord& record : cliplisttest::ReadStoredClipList())
            clips.push_back(record["SUBMENU"] + "/" + record["NAME"] + (record["SECURE"] == "true" ? " (secure)" : ""));
        return clips;
    }

    bool KeychainExists() const { return std::filesystem::exists(mStorage.DataHome() + "/Stashwell/Stashwell.keychain"); }

private:
    testsupport::ScopedStorageEnvironment mStorage;
    cmhost::LoadedPlugIns mPlugIns;
};

}  // namespace popuptest
