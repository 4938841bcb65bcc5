// The built Stashwell.plugin loaded into the test's own process, as the popup loads it, over
// storage folders of the test's own: a menu opened over selected text, an item picked by its path,
// and the clip list read back as stored. Whoever answers the plug-in's dialogs (the Qt user) must be
// made before this object and go after it.
#pragma once

#include "support/TempDir.h"

#include "application/ContextData.h"
#include "common/TextConversion.h"
#include "manager/ContextualMenu.h"
#include "manager/MenuPath.h"
#include "manager/PlugInLoader.h"
#include "prefs/PreferencesStore.h"

#include "CFOwner.h"

#include <PlatformPasswords.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace popuptest {

// A clip as the clip list records it.
struct StoredClip {
    std::string name;
    std::string submenu;
    bool secure = false;
    bool operator==(const StoredClip&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const StoredClip& clip)
{
    return out << "{" << clip.name << ", " << clip.submenu << (clip.secure ? ", secure}" : "}");
}

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
    StashwellInProcess(const StashwellInProcess&) = delete;
    StashwellInProcess& operator=(const StashwellInProcess&) = delete;

    // Opens the menu over the selected text, picks the item the path names, and closes the menu:
    // what HandleSelection answered, or paramErr when the menu has no such item.
    OSStatus Choose(const std::string& path, const std::string& selectedText = "Dear John,")
    {
        cmhost::ScopedAEDesc context = cmhost::CreateContextDescriptor(*cmhost::TextContextData(selectedText));
        cmhost::ContextualMenu menu(mPlugIns.instances, *context.Mutable());
        const cmhost::MenuItem* item = cmhost::FindCommandByPath(menu.Items(), path, 0);
        EXPECT_NE(item, nullptr) << "no item " << path;
        if (item == nullptr || !item->command)
            return paramErr;
        return menu.Choose(*item->command);
    }

    // The clip list as stored now.
    std::vector<StoredClip> Clips() const
    {
        const CFStringRef app = CFSTR("org.stashwell.cmplugin");
        EXPECT_TRUE(CFPreferencesAppSynchronize(app));
        auto list = platform::AdoptCF(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), app));
        std::vector<StoredClip> clips;
        if (!list || CFGetTypeID(list.Get()) != CFArrayGetTypeID())
            return clips;
        auto array = static_cast<CFArrayRef>(list.Get());
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
            CFTypeRef value = CFArrayGetValueAtIndex(array, i);
            EXPECT_EQ(CFGetTypeID(value), CFDictionaryGetTypeID()) << "record " << i << " is not a dictionary";
            if (CFGetTypeID(value) != CFDictionaryGetTypeID())
                continue;
            auto record = static_cast<CFDictionaryRef>(value);
            auto text = [record](CFStringRef key) {
                CFTypeRef value = CFDictionaryGetValue(record, key);
                return value != nullptr && CFGetTypeID(value) == CFStringGetTypeID()
                           ? cmhost::UTF8FromString(static_cast<CFStringRef>(value))
                           : std::string();
            };
            CFTypeRef secure = CFDictionaryGetValue(record, CFSTR("SECURE"));
            clips.push_back({text(CFSTR("NAME")), text(CFSTR("SUBMENU")),
                             secure != nullptr && CFGetTypeID(secure) == CFBooleanGetTypeID() &&
                                 CFBooleanGetValue(static_cast<CFBooleanRef>(secure))});
        }
        return clips;
    }

    bool KeychainExists() const { return std::filesystem::exists(mStorage.DataHome() + "/Stashwell/Stashwell.keychain"); }

private:
    testsupport::ScopedStorageEnvironment mStorage;
    cmhost::LoadedPlugIns mPlugIns;
};

}  // namespace popuptest
