// Picking a clip's item pastes it, picking its Option-key alternate deletes it: through the
// HandleSelection entry point, over clip packages on disk and a clip list in the preferences, as
// another process would have left them.
#include "support/StoredClipList.h"
#include "plugin/menu/MenuRecordReader.h"
#include "plugin/support/PluginSession.h"
#include "plugin/support/ScriptedUser.h"
#include "prefs/PreferencesStore.h"
#include "support/ClipboardFlavors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using cliplisttest::ClipRecord;
using cliplisttest::StoreClipList;
using cliplisttest::StoredClipNames;
using Flavors = std::vector<std::pair<std::string, std::string>>;

class ClipCommandsTest : public testing::Test {
protected:
    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }

    void MakePackage(const std::string& name, const Flavors& files)
    {
        fs::create_directories(ClipsFolder() + "/" + name);
        for (const auto& [fileName, bytes] : files) {
            testsupport::WriteFile(ClipsFolder() + "/" + name + "/" + fileName, bytes);
        }
    }

    OSStatus Pick(SInt32 command) { return mSession.Pick(command); }
    Flavors Clipboard() { return testsupport::ReadClipboardFlavors(); }

    testsupport::ScopedStorageEnvironment mStorage;
    sessiontest::PluginSession mSession;
    dialogtest::ScriptedUser mUser;
};

TEST_F(ClipCommandsTest, ARecordWithoutContentIsStillRemoved)
{
    StoreClipList({{"No package", "Gone", {"TEXT"}},
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
    StoreClipList({{"Greeting", "Greeting", {"TEXT"}}});
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

    std::vector<ClipRecord> hostile;
    for (std::string name : {std::string(".."), std::string("../.."), std::string("a/../../b"), outside.path(),
                             relativeToOutside, std::string("Linked"), std::string("."), std::string("")}) {
        hostile.push_back({"Hostile", name, {"TEXT"}});
    }
    StoreClipList(hostile);

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

// A clip is pasted whole or not at all. A record with nothing to read (no flavors, no file name,
// a secure clip without a keychain) leaves the clipboard and the keyboard alone; so does a flavor
// file that is missing (the clip deleted while it is read), empty, a FIFO (which must not block) or
// a link (never followed), and then the user is told.
TEST_F(ClipCommandsTest, AClipThatCannotBeReadWholeIsToldAndNotPasted)
{
    MakePackage("Odd", {{"TEXT", "Hello"}, {"Empty", ""}});
    ASSERT_EQ(mkfifo((ClipsFolder() + "/Odd/PICT").c_str(), 0600), 0);
    testsupport::ScopedTempDir outside;
    testsupport::WriteFile(outside.Child("utxt"), "outside");
    fs::create_symlink(outside.Child("utxt"), ClipsFolder() + "/Odd/utxt");
    StoreClipList({{"No flavors", "Odd", {}},
                   {"Secure", "Odd", {"TEXT"}, true},
                   {"No file name", "", {"TEXT"}},
                   {"FIFO", "Odd", {"TEXT", "PICT"}},
                   {"Link", "Odd", {"TEXT", "utxt"}},
                   {"Missing", "Odd", {"TEXT", "snd "}},
                   {"Empty", "Odd", {"TEXT", "Empty"}},
                   {"Gone", "Gone", {"TEXT"}}});
    ScrapRef scrap = nullptr;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
    ASSERT_EQ(PutScrapFlavor(scrap, 'TEXT', 0, 6, "before"), noErr);
    for (SInt32 command = 200; command <= 207; ++command) {
        EXPECT_EQ(Pick(command), noErr);
        EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "before"}})) << command;
        if (command < 203)
            continue;
        ASSERT_EQ(mUser.alerts.size(), static_cast<size_t>(command - 202));
        EXPECT_EQ(mUser.alerts.back().message.rfind("The clip could not be read whole, so nothing was pasted.", 0), 0u);
    }
    EXPECT_TRUE(mSession.keystrokes.empty());
}

// The clipboard takes the flavors it can: one it refuses (here past the most it holds) leaves the
// others on it, the user is told once, and the paste goes on.
TEST_F(ClipCommandsTest, FlavorsTheClipboardRefusesAreToldOnceAndTheRestPasted)
{
    Flavors files;
    std::vector<std::string> types;
    for (int i = 0; i < 257; ++i) {
        char type[5];
        std::snprintf(type, sizeof type, "F%03d", i);
        files.push_back({type, "x"});
        types.push_back(type);
    }
    MakePackage("Many", files);
    StoreClipList({{"Many", "Many", types}});
    EXPECT_EQ(Pick(200), noErr);
    EXPECT_EQ(Clipboard().size(), 256u);
    ASSERT_EQ(mUser.alerts.size(), 1u);
    EXPECT_EQ(mUser.alerts[0].message.rfind("Some forms of the clip could not be put on the clipboard.", 0), 0u);
    EXPECT_EQ(mSession.keystrokes, sessiontest::kCommandV);
}

// The keychain shares the clips folder with the packages: a record naming it as its package
// neither pastes nor deletes it.
TEST_F(ClipCommandsTest, ARecordNamingTheKeychainNeverReachesIt)
{
    fs::create_directories(ClipsFolder());
    testsupport::WriteFile(ClipsFolder() + "/Stashwell.keychain", "keychain");
    StoreClipList({{"Shadow", "Stashwell.keychain", {"TEXT"}}, {"Lock", ".stashwell-lock", {"TEXT"}}});
    EXPECT_EQ(Pick(200), noErr);
    EXPECT_TRUE(Clipboard().empty());
    EXPECT_EQ(Pick(2200), noErr);
    EXPECT_EQ(Pick(2200), noErr);
    EXPECT_TRUE(StoredClipNames().empty());
    EXPECT_EQ(testsupport::ReadFile(ClipsFolder() + "/Stashwell.keychain"), "keychain");
    EXPECT_TRUE(mUser.alerts.empty());
}

// What cannot be done is told, and record and package stay together: a delete whose record
// cannot be saved keeps its package; a paste the clipboard refuses types no Command-V.
TEST_F(ClipCommandsTest, FailuresAreToldAndKeepRecordAndPackageTogether)
{
    MakePackage("Greeting", {{"TEXT", "Hello"}});
    StoreClipList({{"Greeting", "Greeting", {"TEXT"}}});
    // The clipboard is made first: its own first write would otherwise take the failure meant for
    // the preferences.
    EXPECT_TRUE(Clipboard().empty());
    for (int stage = 1; stage <= 4; ++stage) {
        platform::prefs::FailNextPreferencesWriteForTesting(stage);
        EXPECT_EQ(Pick(2200), noErr);
        EXPECT_EQ(StoredClipNames(), std::vector<std::string>{"Greeting"}) << stage;
        EXPECT_EQ(testsupport::ReadFile(ClipsFolder() + "/Greeting/TEXT"), "Hello") << stage;
    }
    ASSERT_EQ(mUser.alerts.size(), 4u);
    EXPECT_EQ(mUser.alerts[0].message, "An error occurred while deleting the clip.");

    // A file where the clipboard's folder belongs: the clipboard cannot be written.
    fs::remove_all(mStorage.RuntimeDir() + "/clipboard");
    testsupport::WriteFile(mStorage.RuntimeDir() + "/clipboard", "in the way");
    EXPECT_EQ(Pick(200), noErr);
    EXPECT_TRUE(mSession.keystrokes.empty()) << "nothing is pasted that the clipboard does not hold";
    ASSERT_EQ(mUser.alerts.size(), 5u);
    EXPECT_EQ(mUser.alerts[4].message, "The clip could not be put on the clipboard.");
}

// A pick acts on the record the user saw in the menu, wherever other processes have moved it
// since, or on nothing when it is gone.
TEST_F(ClipCommandsTest, APickFromAnOlderListActsOnTheRecordShownOrOnNothing)
{
    MakePackage("A", {{"TEXT", "a"}});
    MakePackage("B", {{"TEXT", "b"}});
    StoreClipList({{"A", "A", {"TEXT"}}, {"B", "B", {"TEXT"}}});
    menutest::ScopedCommandList commands;
    AEDesc context = {typeNull, nullptr};
    ASSERT_EQ(CMPluginExamineContext(mSession.instance, &context, commands.Get()), noErr);
    // Meanwhile another process deleted A and added C.
    MakePackage("C", {{"TEXT", "c"}});
    StoreClipList({{"B", "B", {"TEXT"}}, {"C", "C", {"TEXT"}}});
    EXPECT_EQ(CMPluginHandleSelection(mSession.instance, &context, 2201), noErr);  // B, shown second
    CMPluginPostMenuCleanup(mSession.instance);
    EXPECT_EQ(StoredClipNames(), std::vector<std::string>{"C"});
    EXPECT_FALSE(fs::exists(ClipsFolder() + "/B"));
    EXPECT_TRUE(fs::exists(ClipsFolder() + "/C/TEXT"));

    ASSERT_EQ(CMPluginExamineContext(mSession.instance, &context, commands.Get()), noErr);
    StoreClipList({});
    EXPECT_EQ(CMPluginHandleSelection(mSession.instance, &context, 2200), noErr);  // C, gone already
    CMPluginPostMenuCleanup(mSession.instance);
    EXPECT_TRUE(StoredClipNames().empty());
    EXPECT_TRUE(fs::exists(ClipsFolder() + "/C/TEXT")) << "a record another process removed is not acted on";

    // D deleted elsewhere and added again under the same name and folder: another clip.
    MakePackage("D", {{"TEXT", "d"}});
    StoreClipList({{"D", "D", {"TEXT"}, false, "/Stashwell", "first"}});
    ASSERT_EQ(CMPluginExamineContext(mSession.instance, &context, commands.Get()), noErr);
    StoreClipList({{"D", "D", {"TEXT"}, false, "/Stashwell", "second"}});
    EXPECT_EQ(CMPluginHandleSelection(mSession.instance, &context, 2200), noErr);
    CMPluginPostMenuCleanup(mSession.instance);
    EXPECT_EQ(StoredClipNames(), std::vector<std::string>{"D"});
    EXPECT_TRUE(fs::exists(ClipsFolder() + "/D/TEXT")) << "the newer clip the menu never showed stays";
    EXPECT_TRUE(mUser.alerts.empty());
}

}  // namespace
