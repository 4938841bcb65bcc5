// The built Stashwell.plugin under cmhost over a clip keychain that this test process creates,
// locks and unlocks: the menu of another process follows the keychain's state, and lists the
// secure clips only while it is unlocked.
#include "Subprocess.h"

#include "support/TempDir.h"

#include <PlatformPasswords.h>
#include <Security/Security.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kCmhost = STASHWELL_BUILD_DIR "/cmhost";

void WriteClipList()
{
    const std::string plist =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\">\n<dict>\n<key>VERSION</key><integer>1</integer>\n<key>CLIP_LIST</key>\n<array>\n"
        "<dict><key>NAME</key><string>Plain</string><key>FILENAME</key><string>Plain</string>"
        "<key>SUBMENU</key><string>/Stashwell</string></dict>\n"
        "<dict><key>NAME</key><string>Secret</string><key>FILENAME</key><string>Secret</string>"
        "<key>SUBMENU</key><string>/Stashwell</string><key>SECURE</key><true/></dict>\n"
        "</array>\n</dict>\n</plist>\n";
    fs::path folder = fs::path(std::getenv("XDG_CONFIG_HOME")) / "preferences";
    fs::create_directories(folder);
    testsupport::WriteFile((folder / "org.stashwell.cmplugin.plist").string(), plist);
}

// The names of the root submenu's items in cmhost's menu.
std::vector<std::string> RootItems()
{
    hosttest::ProcessResult result = hosttest::RunProcess(kCmhost, {"menu", "--json"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    std::vector<std::string> names;
    nlohmann::json menu = nlohmann::json::parse(result.out, nullptr, false);
    if (menu.is_discarded() || !menu.contains("items")) {
        return names;
    }
    for (const nlohmann::json& item : menu["items"]) {
        if (item.value("name", "") == "Stashwell" && item.contains("submenu")) {
            for (const nlohmann::json& entry : item["submenu"]) {
                names.push_back(entry.value("name", "") + "=" + std::to_string(entry.value("command", -1)));
            }
        }
    }
    return names;
}

class StashwellKeychainMenu : public testing::Test {
protected:
    void SetUp() override { PlatformSetKeychainCreationCostForTesting(1, 8192); }
    void TearDown() override
    {
        if (mKeychain != nullptr) {
            SecKeychainLock(mKeychain);
            CFRelease(mKeychain);
        }
        PlatformSetKeychainCreationCostForTesting(0, 0);
    }

    testsupport::ScopedStorageEnvironment mStorage;
    SecKeychainRef mKeychain = nullptr;
};

TEST_F(StashwellKeychainMenu, AnotherProcessesMenuFollowsTheKeychainsState)
{
    WriteClipList();
    EXPECT_EQ(RootItems(), (std::vector<std::string>{"Create New Keychain...=125", "-=0", "Plain=200", "- Plain=2200"}));

    const std::string path = mStorage.DataHome() + "/Stashwell/Stashwell.keychain";
    ASSERT_EQ(SecKeychainCreate(path.c_str(), 2, "pw", false, nullptr, &mKeychain), noErr);
    EXPECT_EQ(RootItems(), (std::vector<std::string>{"Lock Keychain=127", "-=0", "Plain=200", "- Plain=2200", "Secret=201",
                                                     "- Secret=2201"}));

    ASSERT_EQ(SecKeychainLock(mKeychain), noErr);
    EXPECT_EQ(RootItems(), (std::vector<std::string>{"Unlock Keychain...=126", "-=0", "Plain=200", "- Plain=2200"}));
}

}  // namespace
