// The clip list in the preferences: what a menu reads, when it writes, and what ends up on disk.
// The preferences file is prepared and inspected directly, as another process would see it.
#include "plugin/AbstractCMPlugin.h"
#include "plugin/Preferences.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::string ToStdString(CFStringRef text)
{
    if (text == nullptr) {
        return "<null>";
    }
    char buffer[256] = {};
    CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingUTF8);
    return buffer;
}

CFMutableDictionaryRef CreateClipRecord(CFStringRef name)
{
    CFMutableDictionaryRef record =
        CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(record, CFSTR("NAME"), name);
    CFDictionarySetValue(record, CFSTR("FILENAME"), name);
    return record;
}

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

    // The preferences file as stored on disk (+1), or NULL.
    CFDictionaryRef CopyStoredPrefs()
    {
        std::string text = testsupport::ReadFile(PrefsPath());
        if (text.empty()) {
            return nullptr;
        }
        CFObj<CFDataRef> data(
            CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()), static_cast<CFIndex>(text.size())));
        CFPropertyListRef plist = CFPropertyListCreateFromXMLData(kCFAllocatorDefault, data.Get(), 0, nullptr);
        if (plist != nullptr && CFGetTypeID(plist) != CFDictionaryGetTypeID()) {
            CFRelease(plist);
            return nullptr;
        }
        return static_cast<CFDictionaryRef>(plist);
    }

    // Checks that the stored preferences hold VERSION 1 and a clip list with these names.
    void ExpectStoredList(std::initializer_list<const char*> names)
    {
        CFObj<CFDictionaryRef> stored(CopyStoredPrefs());
        ASSERT_NE(stored.Get(), nullptr) << "nothing written to " << PrefsPath();
        CFTypeRef version = CFDictionaryGetValue(stored.Get(), CFSTR("VERSION"));
        ASSERT_NE(version, nullptr);
        ASSERT_EQ(CFGetTypeID(version), CFNumberGetTypeID());
        CFIndex value = 0;
        CFNumberGetValue(static_cast<CFNumberRef>(version), kCFNumberCFIndexType, &value);
        EXPECT_EQ(value, 1);

        CFTypeRef list = CFDictionaryGetValue(stored.Get(), CFSTR("CLIP_LIST"));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(CFGetTypeID(list), CFArrayGetTypeID());
        auto array = static_cast<CFArrayRef>(list);
        ASSERT_EQ(CFArrayGetCount(array), static_cast<CFIndex>(names.size()));
        CFIndex i = 0;
        for (const char* name : names) {
            auto record = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(array, i++));
            EXPECT_EQ(ToStdString(static_cast<CFStringRef>(CFDictionaryGetValue(record, CFSTR("NAME")))), name);
        }
    }

    OSStatus OpenMenu() { return CMPluginExamineContext(mInstance, &mNullContext, &mCommands); }

    void AddClip(CFStringRef name)
    {
        CFObj<CFMutableDictionaryRef> record(CreateClipRecord(name));
        mInstance->implData.clipList->AddItem(record.Get());
    }

    testsupport::ScopedStorageEnvironment mStorage;
    AbstractCMPluginType* mInstance = nullptr;
    AEDesc mNullContext = {typeNull, nullptr};
    AEDescList mCommands = {typeNull, nullptr};
};

TEST_F(PreferencesTest, MenuOverAnEmptyDomainWritesNothing)
{
    ASSERT_EQ(OpenMenu(), noErr);
    ASSERT_NE(mInstance->implData.clipList, nullptr);
    EXPECT_EQ(mInstance->implData.clipList->GetCount(), 0);
    CMPluginPostMenuCleanup(mInstance);
    EXPECT_FALSE(PrefsFileExists());
}

TEST_F(PreferencesTest, FirstClipWritesTheVersionAndTheList)
{
    ASSERT_EQ(OpenMenu(), noErr);
    AddClip(CFSTR("Greeting"));
    CMPluginPostMenuCleanup(mInstance);
    EXPECT_EQ(mInstance->implData.clipList, nullptr);
    ExpectStoredList({"Greeting"});
}

TEST_F(PreferencesTest, StoredListLoadsAsChangeableRecords)
{
    WritePrefsFile(kOneClipVersion1);
    ASSERT_EQ(OpenMenu(), noErr);
    CFDictArray* list = mInstance->implData.clipList;
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetCount(), 1);
    list->SetItemStringForKey(0, CFSTR("NAME"), CFSTR("Renamed"));
    AddClip(CFSTR("Second"));
    CMPluginPostMenuCleanup(mInstance);
    ExpectStoredList({"Renamed", "Second"});
}

TEST_F(PreferencesTest, UnchangedListIsNotWrittenBack)
{
    WritePrefsFile(kOneClipVersion1);
    ASSERT_EQ(OpenMenu(), noErr);
    ASSERT_EQ(mInstance->implData.clipList->GetCount(), 1);
    CMPluginPostMenuCleanup(mInstance);
    // Any write would have rewritten the file in the platform's own layout.
    EXPECT_EQ(testsupport::ReadFile(PrefsPath()), kOneClipVersion1);
}

TEST_F(PreferencesTest, DeletingTheLastClipLeavesAnEmptyList)
{
    WritePrefsFile(kOneClipVersion1);
    ASSERT_EQ(OpenMenu(), noErr);
    mInstance->implData.clipList->RemoveItemAt(0);
    CMPluginPostMenuCleanup(mInstance);
    ExpectStoredList({});
}

TEST_F(PreferencesTest, ListOfAnotherVersionIsNotReadAndIsReplacedOnSave)
{
    WritePrefsFile(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\"><dict><key>VERSION</key><integer>2</integer><key>CLIP_LIST</key><array>"
        "<dict><key>NAME</key><string>Future A</string></dict><dict><key>NAME</key><string>Future B</string></dict>"
        "</array></dict></plist>\n");
    ASSERT_EQ(OpenMenu(), noErr);
    EXPECT_EQ(mInstance->implData.clipList->GetCount(), 0);
    AddClip(CFSTR("Now"));
    CMPluginPostMenuCleanup(mInstance);
    ExpectStoredList({"Now"});
}

TEST_F(PreferencesTest, MissingVersionOrAListThatIsNotAnArrayStartsEmpty)
{
    WritePrefsFile(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\"><dict><key>CLIP_LIST</key><array>"
        "<dict><key>NAME</key><string>Unversioned</string></dict></array></dict></plist>\n");
    ASSERT_EQ(OpenMenu(), noErr);
    EXPECT_EQ(mInstance->implData.clipList->GetCount(), 0);
    CMPluginPostMenuCleanup(mInstance);

    WritePrefsFile(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<plist version=\"1.0\"><dict><key>VERSION</key><integer>1</integer>"
        "<key>CLIP_LIST</key><string>not a list</string></dict></plist>\n");
    ASSERT_EQ(OpenMenu(), noErr);
    EXPECT_EQ(mInstance->implData.clipList->GetCount(), 0);
    CMPluginPostMenuCleanup(mInstance);
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
