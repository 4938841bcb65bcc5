// Picking a clip's item pastes it, picking its Option-key alternate deletes it: through the
// HandleSelection entry point, over clip packages on disk and a clip list in the preferences, as
// another process would have left them.
#include "plugin/support/ClipListTesting.h"
#include "plugin/support/PluginSession.h"
#include "support/ClipboardFlavors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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
};

TEST_F(ClipCommandsTest, PastingAPlainClipPutsItsNamedFlavorsOnTheClipboardAndTypesCommandV)
{
    MakePackage("Greeting", {{"TEXT", "Hello"}, {"utxt", std::string("\xFF\xFEH\0i\0", 6)}, {"PICT", "unlisted"}});
    StoreClipList({{"Other", "Other", {"TEXT"}}, {"Greeting", "Greeting", {"TEXT", "utxt", "snd "}}});

    EXPECT_EQ(Pick(201), noErr);
    EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "Hello"}, {"utxt", std::string("\xFF\xFEH\0i\0", 6)}}))
        << "only the flavors the record names, in ascending type order; a missing file is skipped";
    EXPECT_EQ(mSession.keystrokes, sessiontest::kCommandV);
    EXPECT_EQ(StoredClipNames(), (std::vector<std::string>{"Other", "Greeting"})) << "a paste changes no record";
}

TEST_F(ClipCommandsTest, APasteWithNothingToReadLeavesClipboardAndKeyboardAlone)
{
    MakePackage("Greeting", {{"TEXT", "Hello"}});
    MakePackage("Empty", {{"TEXT", ""}});
    StoreClipList({{"No flavors", "Greeting", {}},
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
    EXPECT_TRUE(mSession.keystrokes.empty());
}

TEST_F(ClipCommandsTest, DeletingAClipRemovesItsPackageAndItsRecord)
{
    MakePackage("Greeting", {{"TEXT", "Hello"}, {"utxt", "xx"}});
    StoreClipList({{"Keep", "Keep", {"TEXT"}}, {"Greeting", "Greeting", {"TEXT", "utxt"}}});

    EXPECT_EQ(Pick(2201), noErr);
    EXPECT_FALSE(fs::exists(ClipsFolder() + "/Greeting"));
    EXPECT_EQ(StoredClipNames(), std::vector<std::string>{"Keep"});
    EXPECT_TRUE(mSession.keystrokes.empty());
}

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

}  // namespace
