// Preferences within one process: values as snapshots of property lists; unreadable files; wrong
// types; refused application ids; failed writes; the lock held by another process; a link, or
// something else than a file, in the file's place.
#include "PreferencesTestSupport.h"

#include "base/Warnings.h"
#include "support/LockHolder.h"
#include "support/ScopedVariable.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using namespace plisttest;
using namespace std::chrono_literals;

namespace {

CFOwner<CFTypeRef> ClipRecord(const std::string& name)
{
    auto text = String(name);
    auto record = AdoptCF<CFTypeRef>(
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    auto mutableRecord = static_cast<CFMutableDictionaryRef>(const_cast<void*>(record.Get()));
    CFDictionarySetValue(mutableRecord, CFSTR("NAME"), text.Get());
    CFDictionarySetValue(mutableRecord, CFSTR("SUBMENU"), CFSTR("/Stashwell"));
    return record;
}

CFOwner<CFTypeRef> ClipList(int count)
{
    auto list = AdoptCF<CFTypeRef>(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    for (int i = 0; i < count; ++i) {
        auto record = ClipRecord("clip " + std::to_string(i));
        CFArrayAppendValue(static_cast<CFMutableArrayRef>(const_cast<void*>(list.Get())), record.Get());
    }
    return list;
}

void SetVersion(CFIndex version)
{
    auto number = AdoptCF<CFTypeRef>(CFNumberCreate(nullptr, kCFNumberCFIndexType, &version));
    CFPreferencesSetAppValue(CFSTR("VERSION"), number.Get(), kApp);
}

using Preferences = PreferencesTest;

// What is set is a snapshot of a property list: later changes to the caller's value are not seen,
// and a value that is no property list is never stored.
TEST_F(Preferences, ASetValueIsASnapshotOfAPropertyListAndARemovalReachesTheFile)
{
    auto list = ClipList(1);
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), kApp);
    CFArrayRemoveAllValues(static_cast<CFMutableArrayRef>(const_cast<void*>(list.Get())));
    auto seen = AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp));
    ASSERT_TRUE(seen);
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(seen.Get())), 1);

    auto uuid = AdoptCF<CFTypeRef>(CFUUIDCreate(nullptr));
    auto nul = StringFromUnits(std::u16string(u"a\0b", 3));
    CFPreferencesSetAppValue(CFSTR("uuid"), uuid.Get(), kApp);
    CFPreferencesSetAppValue(CFSTR("nul"), nul.Get(), kApp);
    EXPECT_EQ(CFPreferencesCopyAppValue(CFSTR("uuid"), kApp), nullptr);
    EXPECT_EQ(CFPreferencesCopyAppValue(CFSTR("nul"), kApp), nullptr);
    EXPECT_TRUE(CFPreferencesAppSynchronize(kApp));
    seen = AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp));
    EXPECT_TRUE(seen);

    // A removal is seen at once and reaches the file.
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), nullptr, kApp);
    EXPECT_EQ(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp), nullptr);
    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    platform::prefs::ResetPreferencesForTesting();
    EXPECT_EQ(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp), nullptr);
}

TEST_F(Preferences, AnUnreadableFileIsPutAsideAndTheListStartsEmpty)
{
    MakeFolder();
    const std::string garbage = "<plist version=\"1.0\"><dict><key>CLIP_LIST</key><array><dict>";
    for (const std::string& contents : {garbage, std::string("<plist><array/></plist>"), std::string()}) {
        platform::prefs::ResetPreferencesForTesting();
        testsupport::WriteFile(AppFile(), contents);
        ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
        Boolean valid = true;
        EXPECT_EQ(CFPreferencesGetAppIntegerValue(CFSTR("VERSION"), kApp, &valid), 0);
        EXPECT_FALSE(valid);
        EXPECT_EQ(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp), nullptr);
    }
    // Three files put aside (within one second they get distinct names), none lost, each told.
    auto aside = NamesStartingWith("org.stashwell.cmplugin.plist.unreadable-");
    ASSERT_EQ(aside.size(), 3u);
    EXPECT_EQ(platform::TakeWarnings().size(), 3u);
    bool foundGarbage = false;
    for (const std::string& name : aside) {
        EXPECT_NE(name.find('T'), std::string::npos);
        foundGarbage |= testsupport::ReadFile(Folder() + "/" + name) == garbage;
    }
    EXPECT_TRUE(foundGarbage);

    // The next save writes a fresh, readable file.
    auto list = ClipList(1);
    SetVersion(1);
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), kApp);
    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    EXPECT_TRUE(Parse(testsupport::ReadFile(AppFile())));
    EXPECT_EQ(NamesStartingWith("org.stashwell.cmplugin.plist.unreadable-").size(), 3u);
}

TEST_F(Preferences, DamagedKeysArePutAsideToldAndTheReadableKeysSalvaged)
{
    const std::string clips = "<key>CLIP_LIST</key><array><string>intact</string></array>";
    struct Case {
        const char* what;
        std::string dict;      // the root dictionary's entries, CLIP_LIST among them
        const char* toldPart;  // in the one warning line
        const char* lostKey;   // a key that must not survive ("" for none)
        const char* keptKey;   // another key that must survive ("" for none)
    } cases[] = {
        {"a value that is not UTF-8", clips + "<key>b</key><string>\xff</string>", "keys dropped: \"b\"", "b", ""},
        {"a key that is not UTF-8", clips + "<key>\xfe</key><true/><key>c</key><true/>", "keys dropped:", "", "c"},
        {"a key given twice, differently",
         clips + "<key>d</key><string>1</string><key>e</key><true/><key>d</key><string>2</string>",
         "given more than once: \"d\"; keys dropped: \"d\"", "d", "e"},
        {"a key given twice, alike", clips + "<key>f</key><string>1</string><!-- x --><key>f</key><string>1</string>",
         "given more than once: \"f\"", "", "f"},
    };
    MakeFolder();
    for (const Case& c : cases) {
        platform::prefs::ResetPreferencesForTesting();
        for (const std::string& name : NamesStartingWith("org.stashwell.cmplugin.plist.unreadable-")) {
            unlink((Folder() + "/" + name).c_str());
        }
        const std::string file = "<plist version=\"1.0\"><dict>" + c.dict + "</dict></plist>";
        ASSERT_TRUE(testsupport::WriteFile(AppFile(), file));
        auto list = AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp));
        ASSERT_TRUE(list) << c.what;
        EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(list.Get())), 1) << c.what;

        // The original is kept whole, and the user told where it went.
        auto aside = NamesStartingWith("org.stashwell.cmplugin.plist.unreadable-");
        ASSERT_EQ(aside.size(), 1u) << c.what;
        EXPECT_EQ(testsupport::ReadFile(Folder() + "/" + aside[0]), file) << c.what;
        std::vector<std::string> told = platform::TakeWarnings();
        ASSERT_EQ(told.size(), 1u) << c.what;
        EXPECT_NE(told[0].find(AppFile() + " was damaged; it was kept as " + Folder() + "/" + aside[0]),
                  std::string::npos)
            << told[0];
        EXPECT_NE(told[0].find(c.toldPart), std::string::npos) << told[0];

        // The salvage is written back at once: a fresh process reads it without putting anything
        // aside again.
        platform::prefs::ResetPreferencesForTesting();
        auto again = AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kApp));
        EXPECT_TRUE(again && CFEqual(again.Get(), list.Get())) << c.what;
        if (*c.lostKey != '\0') {
            auto lost =
                AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(static_cast<CFStringRef>(String(c.lostKey).Get()), kApp));
            EXPECT_FALSE(lost) << c.what;
        }
        if (*c.keptKey != '\0') {
            auto kept =
                AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(static_cast<CFStringRef>(String(c.keptKey).Get()), kApp));
            EXPECT_TRUE(kept) << c.what;
        }
        EXPECT_EQ(NamesStartingWith("org.stashwell.cmplugin.plist.unreadable-").size(), 1u) << c.what;
        EXPECT_TRUE(platform::TakeWarnings().empty()) << c.what;
    }
}

TEST_F(Preferences, ValuesOfTheWrongTypeAreNotIntegersOrBooleans)
{
    struct Case {
        CFStringRef key;
        CFOwner<CFTypeRef> value;  // none: the key is never set
        bool valid;
        CFIndex integer;
    } cases[] = {{CFSTR("text"), String("12"), true, 12},      {CFSTR("word"), String("twelve"), false, 0},
                 {CFSTR("spaced"), String(" 12"), false, 0},   {CFSTR("half"), Real(1.5), false, 0},
                 {CFSTR("whole"), Real(2.0), true, 2},         {CFSTR("negative"), Integer(-7), true, -7},
                 {CFSTR("bytes"), Data("1"), false, 0},
                 {CFSTR("flag"), CFOwner<CFTypeRef>::Retain(kCFBooleanTrue), false, 0},
                 {CFSTR("yes"), String("YES"), false, 0},      {CFSTR("missing"), CFOwner<CFTypeRef>(), false, 0}};
    for (const Case& c : cases) {
        if (c.value) {
            CFPreferencesSetAppValue(c.key, c.value.Get(), kApp);
        }
    }
    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    platform::prefs::ResetPreferencesForTesting();

    for (const Case& c : cases) {
        Boolean valid = !c.valid;
        EXPECT_EQ(CFPreferencesGetAppIntegerValue(c.key, kApp, &valid), c.integer) << Utf8(c.key);
        EXPECT_EQ(valid != 0, c.valid) << Utf8(c.key);
    }
    // A NULL or non-string key finds nothing.
    EXPECT_EQ(CFPreferencesCopyAppValue(nullptr, kApp), nullptr);
    EXPECT_EQ(CFPreferencesCopyAppValue(static_cast<CFStringRef>(cases[5].value.Get()), kApp), nullptr);
    EXPECT_EQ(CFPreferencesGetAppIntegerValue(nullptr, kApp, nullptr), 0);
}

TEST_F(Preferences, ApplicationIDsThatAreNotFileNamesAreRefused)
{
    auto lone = StringFromUnits(std::u16string(1, static_cast<char16_t>(0xDC00)));
    auto number = Integer(5);
    std::vector<CFStringRef> ids = {CFSTR(""), CFSTR("."), CFSTR(".."), CFSTR("a/b"), CFSTR("../escape"),
                                    CFSTR("/etc/passwd"), static_cast<CFStringRef>(lone.Get()),
                                    static_cast<CFStringRef>(number.Get()), nullptr};
    for (CFStringRef id : ids) {
        CFPreferencesSetAppValue(CFSTR("key"), kCFBooleanTrue, id);
        EXPECT_FALSE(CFPreferencesAppSynchronize(id));
        EXPECT_EQ(CFPreferencesCopyAppValue(CFSTR("key"), id), nullptr);
    }
    struct stat info {};
    EXPECT_NE(stat((mEnvironment.ConfigHome() + "/escape.plist").c_str(), &info), 0);
    EXPECT_NE(stat((Folder() + "/a").c_str(), &info), 0);
    EXPECT_TRUE(NamesStartingWith("").empty());  // nothing was written
    // A dot inside a name is fine.
    CFPreferencesSetAppValue(CFSTR("key"), kCFBooleanTrue, CFSTR(".hidden.app"));
    EXPECT_TRUE(CFPreferencesAppSynchronize(CFSTR(".hidden.app")));
    EXPECT_EQ(stat(FileOf(".hidden.app").c_str(), &info), 0);
}

// A failed write is told, and its changes are dropped: kept pending, a later synchronize would
// write them over whatever other processes stored meanwhile.
TEST_F(Preferences, AFailedWriteKeepsTheFileDropsTheChangesAndLeavesNoTemporaryFile)
{
    auto first = String("first");
    CFPreferencesSetAppValue(CFSTR("value"), first.Get(), kApp);
    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    const std::string stored = testsupport::ReadFile(AppFile());

    for (int stage = 1; stage <= 4; ++stage) {
        auto next = String("attempt " + std::to_string(stage));
        CFPreferencesSetAppValue(CFSTR("value"), next.Get(), kApp);
        platform::prefs::FailNextPreferencesWriteForTesting(stage);
        EXPECT_FALSE(CFPreferencesAppSynchronize(kApp)) << stage;
        EXPECT_EQ(testsupport::ReadFile(AppFile()), stored) << stage;
        EXPECT_TRUE(NamesStartingWith("org.stashwell.cmplugin.plist.tmp-").empty()) << stage;
        ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
        EXPECT_EQ(testsupport::ReadFile(AppFile()), stored) << "nothing written later: " << stage;
        auto seen = AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(CFSTR("value"), kApp));
        EXPECT_EQ(Utf8(seen.Get()), "first");
    }
}

TEST_F(Preferences, TemporaryFilesLeftByADeadWriterAreRemovedOnTheNextWrite)
{
    MakeFolder();
    testsupport::WriteFile(Folder() + "/org.stashwell.cmplugin.plist.tmp-1f2e3d4c", "<plist><dict>");
    // Another application's file whose name merely starts the same way is left alone.
    testsupport::WriteFile(Folder() + "/org.stashwell.cmplugin.plist.tmp-1.plist", "<plist><dict/></plist>");
    CFPreferencesSetAppValue(CFSTR("key"), kCFBooleanTrue, kApp);
    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    auto left = NamesStartingWith("org.stashwell.cmplugin.plist.tmp-");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], "org.stashwell.cmplugin.plist.tmp-1.plist");
}

TEST_F(Preferences, WithoutXDGConfigHomeTheFileIsInTheHomeConfigFolder)
{
    std::string home = mEnvironment.root() + "/home";
    mkdir(home.c_str(), 0700);
    {
        testsupport::ScopedVariable homeFolder("HOME", home), config("XDG_CONFIG_HOME", std::nullopt);
        CFPreferencesSetAppValue(CFSTR("key"), kCFBooleanTrue, kApp);
        EXPECT_TRUE(CFPreferencesAppSynchronize(kApp));
    }
    // The file and every folder made for it are the user's alone.
    struct stat info {};
    ASSERT_EQ(stat((home + "/.config/preferences/org.stashwell.cmplugin.plist").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    for (const char* folder : {"/.config", "/.config/preferences"}) {
        ASSERT_EQ(stat((home + folder).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
}

// A process keeps what it last read until the file changes; a change of the same size made in
// place (not by a rename) must still be seen at the next synchronize.
TEST_F(Preferences, SynchronizeSeesAFileChangedInPlaceWithTheSameSize)
{
    auto one = String("one");
    CFPreferencesSetAppValue(CFSTR("word"), one.Get(), kApp);
    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));

    std::string path = AppFile();
    std::string contents = testsupport::ReadFile(path);
    size_t at = contents.find("<string>one</string>");
    ASSERT_NE(at, std::string::npos);
    contents.replace(at, 20, "<string>two</string>");
    FILE* file = std::fopen(path.c_str(), "r+");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(contents.data(), 1, contents.size(), file), contents.size());
    std::fclose(file);

    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    auto seen = AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(CFSTR("word"), kApp));
    auto two = String("two");
    ASSERT_TRUE(seen);
    EXPECT_TRUE(CFEqual(seen.Get(), two.Get()));
}

const char* const kStoredFile = "<plist version=\"1.0\"><dict><key>stored</key><true/></dict></plist>";

std::string OnlyWarning()
{
    std::vector<std::string> told = platform::TakeWarnings();
    return told.size() == 1 ? told[0] : std::to_string(told.size()) + " warnings";
}

bool Holds(const char* key)
{
    auto name = String(key);
    return AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(static_cast<CFStringRef>(name.Get()), kApp)).Get() != nullptr;
}

// Another process holds the writers' lock and does not let go (stopped, or on a slow disk).
TEST_F(Preferences, WhileAnotherProcessHoldsTheLockReadersGoOnAndWritersGiveUpNamingIt)
{
    MakeFolder();
    ASSERT_TRUE(testsupport::WriteFile(AppFile(), kStoredFile));
    testsupport::LockHolder holder(AppFile() + ".lock");
    const std::string holderName = "(process " + std::to_string(holder.Pid()) + ")";
    platform::SetLockWaitForTesting(100ms);
    EXPECT_TRUE(Holds("stored"));
    EXPECT_TRUE(holder.Alive()) << "the read waited for the holder to end";

    // A write gives up, saying who holds the lock; the file stays as it was.
    CFPreferencesSetAppValue(CFSTR("other"), kCFBooleanTrue, kApp);
    EXPECT_FALSE(CFPreferencesAppSynchronize(kApp));
    std::string told = OnlyWarning();
    EXPECT_TRUE(told.starts_with("the preferences could not be saved: ") && told.find(holderName) != told.npos) << told;
    EXPECT_EQ(testsupport::ReadFile(AppFile()), kStoredFile);

    // A damaged file is left for a later repair; its readable keys serve meanwhile.
    const std::string damaged = "<plist><dict><key>kept</key><true/><key>bad</key><string>\xff</string></dict></plist>";
    ASSERT_TRUE(testsupport::WriteFile(AppFile(), damaged));
    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    EXPECT_TRUE(Holds("kept"));
    EXPECT_EQ(testsupport::ReadFile(AppFile()), damaged);
    EXPECT_TRUE(NamesStartingWith("org.stashwell.cmplugin.plist.unreadable-").empty());
    told = OnlyWarning();
    EXPECT_TRUE(told.find("left as it is") != told.npos && told.find(holderName) != told.npos) << told;
    EXPECT_TRUE(holder.Alive());
}

// A dotfile manager's link, relative, into a folder of its own: read through, and written through
// at its end; the link stays a link.
TEST_F(Preferences, ALinkInPlaceOfTheFileIsFollowedAndWrittenThrough)
{
    MakeFolder();
    const std::string dotfiles = mEnvironment.root() + "/dotfiles";
    const std::string target = dotfiles + "/org.stashwell.cmplugin.plist";
    std::filesystem::create_directory(dotfiles);
    ASSERT_TRUE(testsupport::WriteFile(target, kStoredFile));
    const std::string link = std::filesystem::relative(target, Folder()).string();
    ASSERT_EQ(symlink(link.c_str(), AppFile().c_str()), 0);

    EXPECT_TRUE(Holds("stored"));
    CFPreferencesSetAppValue(CFSTR("added"), kCFBooleanTrue, kApp);
    ASSERT_TRUE(CFPreferencesAppSynchronize(kApp));
    EXPECT_EQ(std::filesystem::read_symlink(AppFile()).string(), link);
    auto root = Parse(testsupport::ReadFile(target));
    EXPECT_TRUE(root && Get(root.Get(), "stored") && Get(root.Get(), "added"));
    EXPECT_EQ(testsupport::EntryNames(dotfiles).size(), 1u) << "a temporary file was left";
    EXPECT_TRUE(platform::TakeWarnings().empty());
}

// A FIFO or a folder in the file's place is never opened to wait on: reads and writes fail and say
// why. A folder in the lock file's place stops only the writes.
TEST_F(Preferences, SomethingElseThanAFileInItsPlaceIsToldAndNeverWaitedOn)
{
    MakeFolder();
    const std::string file = AppFile();
    for (const std::string kind : {"a FIFO", "a folder"}) {
        platform::prefs::ResetPreferencesForTesting();
        std::filesystem::remove_all(file);
        ASSERT_EQ(kind == "a FIFO" ? mkfifo(file.c_str(), 0600) : mkdir(file.c_str(), 0700), 0);
        EXPECT_FALSE(CFPreferencesAppSynchronize(kApp));
        CFPreferencesSetAppValue(CFSTR("key"), kCFBooleanTrue, kApp);
        EXPECT_FALSE(CFPreferencesAppSynchronize(kApp));
        std::vector<std::string> told = platform::TakeWarnings();
        ASSERT_EQ(told.size(), 2u) << kind;
        const std::string why = ": the preferences file " + file + " is " + kind;
        EXPECT_TRUE(told[0].starts_with("the preferences could not be read" + why)) << told[0];
        EXPECT_TRUE(told[1].starts_with("the preferences could not be saved" + why)) << told[1];
    }
    std::filesystem::remove_all(file);
    std::filesystem::remove(file + ".lock");
    ASSERT_TRUE(testsupport::WriteFile(file, kStoredFile));
    ASSERT_TRUE(std::filesystem::create_directory(file + ".lock"));
    platform::prefs::ResetPreferencesForTesting();
    EXPECT_TRUE(Holds("stored"));
    CFPreferencesSetAppValue(CFSTR("key"), kCFBooleanTrue, kApp);
    EXPECT_FALSE(CFPreferencesAppSynchronize(kApp));
    EXPECT_NE(OnlyWarning().find(file + ".lock): Is a directory"), std::string::npos);
}

}  // namespace
