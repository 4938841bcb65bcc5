// The clip list in the preferences: what a menu reads, when it writes, and what ends up on disk.
// The preferences file is prepared directly, as another process would leave it.
#include "plugin/AbstractCMPlugin.h"
#include "plugin/PluginIdentity.h"
#include "plugin/Preferences.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

#include "plugin/support/ClipListTesting.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const kOneClipVersion1 =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<plist version=\"1.0\"><dict><key>VERSION</key><integer>1</integer>"
    "<key>CLIP_LIST</key><array><dict><key>NAME</key><string>Stored</string></dict></array></dict></plist>\n";

class PreferencesTest : public testing::Test {
protected:
    void SetUp() override
    {
        mInstance = AllocAbstractCMPluginType(nullptr);
        ASSERT_NE(mInstance, nullptr);
    }
    void TearDown() override { AbstractCMPluginRelease(mInstance); }

    std::string PrefsPath() const { return mStorage.ConfigHome() + "/preferences/org.stashwell.cmplugin.plist"; }
    bool PrefsFileExists() const { return std::filesystem::exists(PrefsPath()); }

    // Leaves a preferences file as another process would have written it.
    void WritePrefsFile(const std::string& contents)
    {
        std::filesystem::create_directories(mStorage.ConfigHome() + "/preferences");
        testsupport::WriteFile(PrefsPath(), contents);
    }

    // Checks that the stored preferences hold VERSION 1 and a clip list with these names.
    void ExpectStoredList(const std::vector<std::string>& names)
    {
        EXPECT_EQ(cliplisttest::StoredClipNames(), names);
        CFObj<CFPropertyListRef> version(CFPreferencesCopyAppValue(CFSTR("VERSION"), kStashwellPreferencesAppID));
        SInt32 value = 0;
        ASSERT_NE(version.Get(), nullptr);
        ASSERT_EQ(CFGetTypeID(version.Get()), CFNumberGetTypeID());
        CFNumberGetValue(static_cast<CFNumberRef>(version.Get()), kCFNumberSInt32Type, &value);
        EXPECT_EQ(value, 1);
    }

    OSStatus OpenMenu() { return CMPluginExamineContext(mInstance, &mNullContext, &mCommands); }

    void AddClip(CFStringRef name)
    {
        CFObj<CFMutableDictionaryRef> record(CFDictionaryCreateMutable(
            kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
        CFDictionarySetValue(record, CFSTR("NAME"), name);
        mInstance->implData.clipList->AddItem(record.Get());
    }

    testsupport::ScopedStorageEnvironment mStorage;
    AbstractCMPluginType* mInstance = nullptr;
    AEDesc mNullContext = {typeNull, nullptr};
    AEDescList mCommands = {typeNull, nullptr};
};

// An empty domain, a list of another version, a list without a version and one that is no array:
// the menu starts with an empty list, writes nothing while it stays so, and writes the version and
// the new list once a clip is added.
TEST_F(PreferencesTest, AListThatCannotBeReadStartsEmptyAndIsReplacedOnSave)
{
    const std::string unreadable[] = {
        "",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\"><dict><key>VERSION</key><integer>2</integer><key>CLIP_LIST</key><array>"
        "<dict><key>NAME</key><string>Future A</string></dict><dict><key>NAME</key><string>Future B</string></dict>"
        "</array></dict></plist>\n",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\"><dict><key>CLIP_LIST</key><array>"
        "<dict><key>NAME</key><string>Unversioned</string></dict></array></dict></plist>\n",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\"><dict><key>VERSION</key><integer>1</integer>"
        "<key>CLIP_LIST</key><string>not a list</string></dict></plist>\n",
    };
    for (const std::string& contents : unreadable) {
        SCOPED_TRACE(contents);
        if (!contents.empty()) {
            WritePrefsFile(contents);
        }
        ASSERT_EQ(OpenMenu(), noErr);
        ASSERT_NE(mInstance->implData.clipList, nullptr);
        EXPECT_EQ(mInstance->implData.clipList->GetCount(), 0);
        CMPluginPostMenuCleanup(mInstance);
        EXPECT_EQ(PrefsFileExists(), !contents.empty());
        EXPECT_EQ(testsupport::ReadFile(PrefsPath()), contents) << "nothing written";

        ASSERT_EQ(OpenMenu(), noErr);
        AddClip(CFSTR("Now"));
        CMPluginPostMenuCleanup(mInstance);
        EXPECT_EQ(mInstance->implData.clipList, nullptr);
        ExpectStoredList({"Now"});
        std::filesystem::remove(PrefsPath());
    }
}

TEST_F(PreferencesTest, AStoredListIsRewrittenOnlyWhenChanged)
{
    WritePrefsFile(kOneClipVersion1);
    ASSERT_EQ(OpenMenu(), noErr);
    ASSERT_EQ(mInstance->implData.clipList->GetCount(), 1);
    CMPluginPostMenuCleanup(mInstance);
    // Any write would have rewritten the file in the platform's own layout.
    EXPECT_EQ(testsupport::ReadFile(PrefsPath()), kOneClipVersion1);

    // Its records load as changeable ones.
    ASSERT_EQ(OpenMenu(), noErr);
    mInstance->implData.clipList->SetItemStringForKey(0, CFSTR("NAME"), CFSTR("Renamed"));
    AddClip(CFSTR("Second"));
    CMPluginPostMenuCleanup(mInstance);
    ExpectStoredList({"Renamed", "Second"});

    // Deleting the last clips leaves an empty list.
    ASSERT_EQ(OpenMenu(), noErr);
    mInstance->implData.clipList->RemoveItemAt(1);
    mInstance->implData.clipList->RemoveItemAt(0);
    CMPluginPostMenuCleanup(mInstance);
    ExpectStoredList({});
}

TEST_F(PreferencesTest, ExtraReleasesAfterTheLastDoNothing)
{
    EXPECT_EQ(RetainPluginData(nullptr), nullptr);
    ReleasePluginData(nullptr);

    ASSERT_EQ(OpenMenu(), noErr);
    AddClip(CFSTR("Once"));
    CMPluginPostMenuCleanup(mInstance);
    ExpectStoredList({"Once"});
    std::string written = testsupport::ReadFile(PrefsPath());

    ReleasePluginData(mInstance);
    CMPluginPostMenuCleanup(mInstance);
    EXPECT_EQ(mInstance->implData.retainCount, 0);
    EXPECT_EQ(mInstance->implData.clipList, nullptr);
    EXPECT_EQ(testsupport::ReadFile(PrefsPath()), written);
}

TEST_F(PreferencesTest, SelectionWhileTheMenuIsOpenLeavesTheSaveToTheCleanup)
{
    ASSERT_EQ(OpenMenu(), noErr);
    AddClip(CFSTR("Chosen"));
    EXPECT_EQ(CMPluginHandleSelection(mInstance, &mNullContext, 99), noErr);
    EXPECT_EQ(mInstance->implData.retainCount, 1);
    EXPECT_NE(mInstance->implData.clipList, nullptr);
    EXPECT_FALSE(PrefsFileExists());

    CMPluginPostMenuCleanup(mInstance);
    ExpectStoredList({"Chosen"});
}

}  // namespace
