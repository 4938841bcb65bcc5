// The clip list in the preferences: what a menu reads, when it writes, and what ends up on disk.
// The preferences file is prepared directly, as another process would leave it.
#include "plugin/AbstractCMPlugin.h"
#include "plugin/PluginIdentity.h"
#include "plugin/Preferences.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

#include "support/StoredClipList.h"
#include "plugin/support/ScriptedUser.h"
#include "support/LockHolder.h"
#include "support/TempDir.h"

#include "LockFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
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
    void TearDown() override
    {
        AbstractCMPluginRelease(mInstance);
        platform::SetLockWaitForTesting({});
    }

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
        AddClipRecord(mInstance->implData, record.Get());
    }

    testsupport::ScopedStorageEnvironment mStorage;
    AbstractCMPluginType* mInstance = nullptr;
    AEDesc mNullContext = {typeNull, nullptr};
    AEDescList mCommands = {typeNull, nullptr};
};

// An empty domain, a list of another version, a list without a version and one that is no array:
// the menu starts with an empty list and writes nothing while it stays so. Once a clip is added,
// the version and the new list are written, and a list that could not be read is kept under a key
// of its own, with an alert saying which.
TEST_F(PreferencesTest, AListThatCannotBeReadStartsEmptyAndIsKeptAsideOnSave)
{
    const struct {
        std::string contents;
        bool keptAside;
    } cases[] = {
        {"", false},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<plist version=\"1.0\"><dict><key>VERSION</key><integer>2</integer><key>CLIP_LIST</key><array>"
         "<dict><key>NAME</key><string>Future A</string></dict><dict><key>NAME</key><string>Future B</string></dict>"
         "</array></dict></plist>\n",
         true},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<plist version=\"1.0\"><dict><key>CLIP_LIST</key><array>"
         "<dict><key>NAME</key><string>Unversioned</string></dict></array></dict></plist>\n",
         true},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<plist version=\"1.0\"><dict><key>VERSION</key><integer>1</integer>"
         "<key>CLIP_LIST</key><string>not a list</string></dict></plist>\n",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents);
        dialogtest::ScriptedUser user;
        if (!c.contents.empty()) {
            WritePrefsFile(c.contents);
        }
        CFPreferencesAppSynchronize(kStashwellPreferencesAppID);
        CFObj<CFPropertyListRef> storedList(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kStashwellPreferencesAppID));
        ASSERT_EQ(OpenMenu(), noErr);
        ASSERT_NE(mInstance->implData.clipList, nullptr);
        EXPECT_EQ(mInstance->implData.clipList->GetCount(), 0);
        CMPluginPostMenuCleanup(mInstance);
        EXPECT_EQ(PrefsFileExists(), !c.contents.empty());
        EXPECT_EQ(testsupport::ReadFile(PrefsPath()), c.contents) << "nothing written";

        ASSERT_EQ(OpenMenu(), noErr);
        AddClip(CFSTR("Now"));
        CMPluginPostMenuCleanup(mInstance);
        EXPECT_EQ(mInstance->implData.clipList, nullptr);
        ExpectStoredList({"Now"});
        ASSERT_EQ(user.alerts.size(), c.keptAside ? 1u : 0u);
        if (c.keptAside) {
            const std::string& message = user.alerts[0].message;
            const std::string key = message.substr(message.rfind('\n') + 1);
            EXPECT_EQ(key.rfind("CLIP_LIST_SET_ASIDE_", 0), 0u) << message;
            CFObj<CFStringRef> keyString(CFStringCreateWithCString(nullptr, key.c_str(), kCFStringEncodingUTF8));
            CFObj<CFPropertyListRef> kept(CFPreferencesCopyAppValue(keyString, kStashwellPreferencesAppID));
            ASSERT_NE(kept.Get(), nullptr);
            EXPECT_TRUE(CFEqual(CFDictionaryGetValue(static_cast<CFDictionaryRef>(kept.Get()), CFSTR("CLIP_LIST")),
                                storedList.Get()))
                << "the list that could not be read is kept whole";
        }
        std::filesystem::remove(PrefsPath());
    }
}

// Lists set aside within one second (by two processes, or one after another) each keep a key of
// their own: the second never overwrites the only copy of the first.
TEST_F(PreferencesTest, ListsSetAsideWithinOneSecondKeepKeysOfTheirOwn)
{
    WritePrefsFile("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                   "<key>VERSION</key><integer>2</integer><key>CLIP_LIST</key><array/></dict></plist>\n");
    // Keys already taken for this second and the next, as an earlier set-aside leaves them.
    std::vector<std::string> taken;
    for (std::time_t at = std::time(nullptr); taken.size() < 2; ++at) {
        std::tm utc{};
        ::gmtime_r(&at, &utc);
        char key[64];
        std::strftime(key, sizeof key, "CLIP_LIST_SET_ASIDE_%Y%m%dT%H%M%SZ", &utc);
        taken.push_back(key);
        CFObj<CFStringRef> keyString(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
        CFPreferencesSetAppValue(keyString, CFSTR("kept earlier"), kStashwellPreferencesAppID);
    }
    ASSERT_TRUE(CFPreferencesAppSynchronize(kStashwellPreferencesAppID));
    dialogtest::ScriptedUser user;
    ASSERT_EQ(OpenMenu(), noErr);
    AddClip(CFSTR("Now"));
    CMPluginPostMenuCleanup(mInstance);
    ASSERT_EQ(user.alerts.size(), 1u);
    const std::string key = user.alerts[0].message.substr(user.alerts[0].message.rfind('\n') + 1);
    EXPECT_EQ(std::count(taken.begin(), taken.end(), key), 0) << key;
    EXPECT_FALSE(user.alerts[0].clipListLocked) << "no other menu waits on the user";
    for (const std::string& earlier : taken) {
        CFObj<CFStringRef> keyString(CFStringCreateWithCString(nullptr, earlier.c_str(), kCFStringEncodingUTF8));
        CFObj<CFPropertyListRef> value(CFPreferencesCopyAppValue(keyString, kStashwellPreferencesAppID));
        EXPECT_TRUE(value.Get() != nullptr && CFEqual(value.Get(), CFSTR("kept earlier"))) << earlier;
    }
}

// Two menus open over one list, as in two applications: what each adds and deletes is applied to
// the list as the other left it. Nothing is lost, nothing deleted comes back, and a record that
// another menu deleted is not deleted a second time in its new place.
TEST_F(PreferencesTest, SavesApplyWhatEachMenuChangedToTheStoredList)
{
    WritePrefsFile("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                   "<key>VERSION</key><integer>1</integer><key>CLIP_LIST</key><array>"
                   "<dict><key>NAME</key><string>A</string><key>FILENAME</key><string>A</string>"
                   "<key>EXTRA</key><string>kept</string></dict>"
                   "<string>not a record</string>"
                   "<dict><key>NAME</key><string>B</string><key>FILENAME</key><string>B</string></dict>"
                   "</array></dict></plist>\n");
    AbstractCMPluginType* other = AllocAbstractCMPluginType(nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(OpenMenu(), noErr);
    AEDescList otherCommands = {typeNull, nullptr};
    ASSERT_EQ(CMPluginExamineContext(other, &mNullContext, &otherCommands), noErr);

    AddClip(CFSTR("From one"));
    RemoveClipRecordAt(mInstance->implData, 2);  // B
    EXPECT_EQ(SavePreferences(mInstance->implData), noErr);
    RemoveClipRecordAt(other->implData, 2);  // B again: already gone
    RemoveClipRecordAt(other->implData, 0);  // A
    CFObj<CFMutableDictionaryRef> record(CFDictionaryCreateMutable(
        kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    CFDictionarySetValue(record, CFSTR("NAME"), CFSTR("From other"));
    AddClipRecord(other->implData, record.Get());
    CMPluginPostMenuCleanup(other);
    CMPluginPostMenuCleanup(mInstance);

    CFObj<CFArrayRef> stored(static_cast<CFArrayRef>(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kStashwellPreferencesAppID)));
    ASSERT_NE(stored.Get(), nullptr);
    ASSERT_EQ(CFArrayGetCount(stored), 3);
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(stored, 0), CFSTR("not a record"))) << "kept where it was";
    ExpectStoredList({"From one", "From other"});
    AbstractCMPluginRelease(other);
}

// A release past the last one is the entry points' test; here the missing instance.
TEST_F(PreferencesTest, AMissingInstanceIsNeitherHeldNorReleased)
{
    EXPECT_EQ(RetainPluginData(nullptr), nullptr);
    ReleasePluginData(nullptr);
}

TEST_F(PreferencesTest, ChangesNotSavedByTheirCommandAreSavedAtTheCleanup)
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

// Another application holds the clips folder's lock and is stalled: a menu neither waits for it nor
// sweeps. A writer gives up after the bounded wait and names the holder: the clip creation tests
// judge that in the alert the user reads.
TEST_F(PreferencesTest, AClipsFolderLockHeldElsewhereStopsNoMenu)
{
    const std::string folder = mStorage.DataHome() + "/Stashwell";
    const std::string intent = folder + "/.stashwell-intent-dead";
    std::filesystem::create_directories(folder);
    testsupport::WriteFile(intent, "add\n");
    testsupport::LockHolder holder(folder + "/.stashwell-lock");
    // A wait longer than the holder lives: a menu that waited at all would outlive the holder.
    platform::SetLockWaitForTesting(std::chrono::hours(1));
    ASSERT_EQ(OpenMenu(), noErr);
    CMPluginPostMenuCleanup(mInstance);
    EXPECT_TRUE(holder.Alive()) << "the menu waited for the holder to end";
    EXPECT_TRUE(std::filesystem::exists(intent));
}

}  // namespace
