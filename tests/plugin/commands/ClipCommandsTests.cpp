// Picking a clip's item pastes it, picking its Option-key alternate deletes it: through the
// HandleSelection entry point, over clip packages on disk and a clip list in the preferences, as
// another process would have left them.
#include "plugin/AbstractCMPlugin.h"
#include "plugin/PluginIdentity.h"
#include "prefs/PreferencesStore.h"
#include "support/CFObj.h"

#include "plugin/menu/MenuRecordReader.h"
#include "support/ClipboardFlavors.h"
#include "support/TempDir.h"

#include <Carbon/Carbon.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using menutest::CreateString;

// One clip record; an empty file name leaves "FILENAME" out, an empty list leaves "FLAVORS" out.
struct Clip {
    std::string name;
    std::string fileName;
    std::vector<std::string> flavors;
    bool secure = false;
};

CFDictionaryRef CreateRecord(const Clip& clip)
{
    CFMutableDictionaryRef record =
        CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFObj<CFStringRef> name(CreateString(clip.name));
    CFDictionarySetValue(record, CFSTR("NAME"), name.Get());
    if (!clip.fileName.empty()) {
        CFObj<CFStringRef> fileName(CreateString(clip.fileName));
        CFDictionarySetValue(record, CFSTR("FILENAME"), fileName.Get());
    }
    if (!clip.flavors.empty()) {
        CFObj<CFMutableArrayRef> flavors(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
        for (const std::string& type : clip.flavors) {
            CFObj<CFStringRef> typeString(CreateString(type));
            CFArrayAppendValue(flavors.Get(), typeString.Get());
        }
        CFDictionarySetValue(record, CFSTR("FLAVORS"), flavors.Get());
    }
    if (clip.secure) {
        CFDictionarySetValue(record, CFSTR("SECURE"), kCFBooleanTrue);
    }
    return record;
}

struct Keystroke {
    int keyCode;
    bool keyDown;
    bool operator==(const Keystroke&) const = default;
};

class ClipCommandsTest : public testing::Test {
protected:
    void SetUp() override
    {
        platform::prefs::ResetPreferencesForTesting();
        PlatformSetKeyboardSink(RecordKeystroke, this);
        mInstance = AllocAbstractCMPluginType(kStashwellFactoryID);
        ASSERT_NE(mInstance, nullptr);
        ASSERT_EQ(ClearCurrentScrap(), noErr);
    }

    void TearDown() override
    {
        PlatformSetKeyboardSink(nullptr, nullptr);
        AbstractCMPluginRelease(mInstance);
        platform::prefs::ResetPreferencesForTesting();
    }

    static void RecordKeystroke(void* context, const PlatformKeyboardEvent* event)
    {
        if (event->kind == kPlatformKeyEvent) {
            static_cast<ClipCommandsTest*>(context)->mKeystrokes.push_back({event->keyCode, event->keyDown != 0});
        }
    }

    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }

    void MakePackage(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files)
    {
        fs::create_directories(ClipsFolder() + "/" + name);
        for (const auto& [fileName, bytes] : files) {
            testsupport::WriteFile(ClipsFolder() + "/" + name + "/" + fileName, bytes);
        }
    }

    void StoreClips(const std::vector<Clip>& clips)
    {
        CFObj<CFMutableArrayRef> list(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
        for (const Clip& clip : clips) {
            CFObj<CFDictionaryRef> record(CreateRecord(clip));
            CFArrayAppendValue(list.Get(), record.Get());
        }
        SInt32 version = 1;
        CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &version));
        CFPreferencesSetAppValue(CFSTR("VERSION"), number.Get(), kStashwellPreferencesAppID);
        CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), kStashwellPreferencesAppID);
        ASSERT_TRUE(CFPreferencesAppSynchronize(kStashwellPreferencesAppID));
        platform::prefs::ResetPreferencesForTesting();
    }

    // The names of the clips in the stored list, as the next menu would read them.
    std::vector<std::string> StoredClipNames()
    {
        platform::prefs::ResetPreferencesForTesting();
        std::vector<std::string> names;
        CFObj<CFPropertyListRef> list(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kStashwellPreferencesAppID));
        if (list.Get() == nullptr || CFGetTypeID(list.Get()) != CFArrayGetTypeID()) {
            return names;
        }
        auto array = static_cast<CFArrayRef>(list.Get());
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
            auto record = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(array, i));
            auto name = static_cast<CFStringRef>(CFDictionaryGetValue(record, CFSTR("NAME")));
            char buffer[256] = {};
            CFStringGetCString(name, buffer, sizeof buffer, kCFStringEncodingUTF8);
            names.emplace_back(buffer);
        }
        return names;
    }

    // One menu and one pick, as the host runs them; then the host's run loop until the paste
    // keystroke (if any) has been posted.
    OSStatus Pick(SInt32 command)
    {
        menutest::ScopedCommandList commands;
        AEDesc context = {typeNull, nullptr};
        EXPECT_EQ(CMPluginExamineContext(mInstance, &context, commands.Get()), noErr);
        OSStatus status = CMPluginHandleSelection(mInstance, &context, command);
        CMPluginPostMenuCleanup(mInstance);
        while (CFRunLoopRunInMode(kCFRunLoopDefaultMode, 2.0, true) == kCFRunLoopRunHandledSource) {
        }
        return status;
    }

    // The clipboard's flavors as type -> bytes, in the clipboard's order.
    std::vector<std::pair<std::string, std::string>> Clipboard() { return testsupport::ReadClipboardFlavors(); }

    testsupport::ScopedStorageEnvironment mStorage;
    AbstractCMPluginType* mInstance = nullptr;
    std::vector<Keystroke> mKeystrokes;
};

const std::vector<Keystroke> kCommandV = {{55, true}, {9, true}, {9, false}, {55, false}};

TEST_F(ClipCommandsTest, PastingAPlainClipPutsItsNamedFlavorsOnTheClipboardAndTypesCommandV)
{
    MakePackage("Greeting", {{"TEXT", "Hello"}, {"utxt", std::string("\xFF\xFEH\0i\0", 6)}, {"PICT", "unlisted"}});
    StoreClips({{"Other", "Other", {"TEXT"}}, {"Greeting", "Greeting", {"TEXT", "utxt", "snd "}}});

    EXPECT_EQ(Pick(201), noErr);
    using Flavors = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "Hello"}, {"utxt", std::string("\xFF\xFEH\0i\0", 6)}}))
        << "only the flavors the record names, in ascending type order; a missing file is skipped";
    EXPECT_EQ(mKeystrokes, kCommandV);
    EXPECT_EQ(StoredClipNames(), (std::vector<std::string>{"Other", "Greeting"})) << "a paste changes no record";
}

TEST_F(ClipCommandsTest, APasteWithNothingToReadLeavesClipboardAndKeyboardAlone)
{
    MakePackage("Greeting", {{"TEXT", "Hello"}});
    MakePackage("Empty", {{"TEXT", ""}});
    StoreClips({{"No flavors", "Greeting", {}},
                {"No package", "Gone", {"TEXT"}},
                {"Empty file", "Empty", {"TEXT"}},
                {"Secure", "Greeting", {"TEXT"}, true},
                {"No file name", "", {"TEXT"}}});
    ScrapRef scrap = nullptr;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
    ASSERT_EQ(PutScrapFlavor(scrap, 'TEXT', 0, 6, "before"), noErr);

    for (SInt32 command = 200; command <= 204; ++command) {
        EXPECT_EQ(Pick(command), noErr);
        EXPECT_EQ(Clipboard().size(), 1u) << "command " << command;
    }
    EXPECT_TRUE(mKeystrokes.empty());
}

TEST_F(ClipCommandsTest, DeletingAClipRemovesItsPackageAndItsRecord)
{
    MakePackage("Greeting", {{"TEXT", "Hello"}, {"utxt", "xx"}});
    fs::create_directories(ClipsFolder() + "/Greeting/inner");
    fs::permissions(ClipsFolder() + "/Greeting/TEXT", fs::perms::owner_read);
    StoreClips({{"Keep", "Keep", {"TEXT"}}, {"Greeting", "Greeting", {"TEXT", "utxt"}}});

    EXPECT_EQ(Pick(2201), noErr);
    EXPECT_FALSE(fs::exists(ClipsFolder() + "/Greeting"));
    EXPECT_EQ(StoredClipNames(), std::vector<std::string>{"Keep"});
    EXPECT_TRUE(mKeystrokes.empty());
}

TEST_F(ClipCommandsTest, ARecordWithoutContentIsStillRemoved)
{
    StoreClips({{"No package", "Gone", {"TEXT"}},
                {"No file name", "", {}},
                {"Secure without keychain", "Secret", {"TEXT"}, true},
                {"Last", "Last", {}}});
    EXPECT_EQ(Pick(2200), noErr);
    EXPECT_EQ(Pick(2200), noErr);
    EXPECT_EQ(Pick(2200), noErr);
    EXPECT_EQ(StoredClipNames(), std::vector<std::string>{"Last"});
}

TEST_F(ClipCommandsTest, IdsOutsideTheClipsChangeNothing)
{
    MakePackage("Greeting", {{"TEXT", "Hello"}});
    StoreClips({{"Greeting", "Greeting", {"TEXT"}}});
    for (SInt32 command : {-1, 0, 99, 102, 124, 128, 199, 201, 2199, 2201, 100000}) {
        EXPECT_EQ(Pick(command), noErr) << command;
    }
    EXPECT_EQ(StoredClipNames(), std::vector<std::string>{"Greeting"});
    EXPECT_TRUE(fs::exists(ClipsFolder() + "/Greeting/TEXT"));
    EXPECT_TRUE(Clipboard().empty());
    EXPECT_EQ(CMPluginHandleSelection(nullptr, nullptr, 200), paramErr);
}

// "FILENAME" comes from a file any process of the user can write: whatever it holds, deleting
// or pasting the clip must stay inside the clips folder.
TEST_F(ClipCommandsTest, FileNamesNeverReachOutsideTheClipsFolder)
{
    testsupport::ScopedTempDir outside;
    testsupport::WriteFile(outside.Child("TEXT"), "outside secret");
    fs::create_directories(outside.Child("victim"));
    testsupport::WriteFile(outside.Child("victim/TEXT"), "outside secret");
    fs::create_directories(ClipsFolder() + "/a");
    fs::create_symlink(outside.path(), ClipsFolder() + "/Linked");
    std::string relativeToOutside = fs::relative(outside.path(), ClipsFolder()).string();

    std::vector<Clip> hostile;
    for (std::string name : {std::string(".."), std::string("../.."), std::string("a/../../b"), outside.path(),
                             relativeToOutside, std::string("Linked"), std::string("."), std::string("")}) {
        hostile.push_back({"Hostile", name.empty() ? "" : name, {"TEXT"}});
    }
    StoreClips(hostile);

    for (size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(Pick(200 + static_cast<SInt32>(i)), noErr);
    }
    EXPECT_TRUE(Clipboard().empty()) << "nothing outside the clips folder was read";
    for (size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(Pick(2200), noErr);
    }
    EXPECT_TRUE(StoredClipNames().empty());
    EXPECT_EQ(testsupport::ReadFile(outside.Child("TEXT")), "outside secret");
    EXPECT_EQ(testsupport::ReadFile(outside.Child("victim/TEXT")), "outside secret");
    EXPECT_TRUE(fs::exists(ClipsFolder() + "/a"));
    EXPECT_TRUE(fs::exists(ClipsFolder())) << "the clips folder itself is never deleted";
    EXPECT_FALSE(fs::exists(fs::symlink_status(ClipsFolder() + "/Linked"))) << "a linked package goes as a link";
}

}  // namespace
