// Shared by the tests of secure clips through the plug-in's entry points: an instance, a clip list
// in the preferences, one menu per pick as the host runs it, the clipboard and the keystrokes that
// a paste leaves, over a clip keychain of the test's own.
#pragma once

#include "plugin/secure/ClipKeychainTesting.h"

#include "content/FlavorSet.h"
#include "plugin/AbstractCMPlugin.h"

#include <PlatformHost.h>

#include <string>
#include <utility>
#include <vector>

namespace keychaintesting {

// One record of the stored clip list, as the next menu would read it.
struct StoredClip {
    std::string name;
    std::string fileName;  // "<none>" when the record has none
    bool secure = false;
    bool usePlainText = false;
    bool hasPlainTextFlag = false;
    std::vector<std::string> flavors;
};

// A record as another process would have stored it.
struct ClipRecordFields {
    std::string name;
    std::string fileName;
    std::vector<std::string> flavors;
    bool secure = true;
    bool usePlainText = false;
};

using Flavors = std::vector<std::pair<std::string, std::string>>;

class SecureClipTest : public ClipKeychainTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void StoreClips(const std::vector<ClipRecordFields>& clips);
    std::vector<StoredClip> StoredClips();

    // The root submenu and the rest of the menu, as an outline; records the unlock flag.
    std::string MenuOutline();
    // One menu and one pick; then the run loop until the paste keystroke (if any) is posted.
    void Pick(SInt32 command);
    // Stores a secure clip within one menu, as the dispatcher does once the dialog is confirmed.
    void AddSecureClip(const std::string& name, FlavorSet& flavors, CFStringRef submenu = CFSTR("/Stashwell"));

    Flavors Clipboard();
    // The note's data, "<none>" when there is none (the keychain must be unlocked).
    std::string NoteData(const std::string& noteName);

    AbstractCMPluginType* mInstance = nullptr;
    bool mKeychainUnlockedInMenu = false;
    int mKeystrokes = 0;
};

// The four bytes of a type as text.
std::string TypeString(UInt32 type);

}  // namespace keychaintesting
