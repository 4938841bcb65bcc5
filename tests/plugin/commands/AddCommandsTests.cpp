// "Add Selected Text..." and "Add Clipboard Content..." through the HandleSelection entry point
// where they end before a clip is stored: no selected text, an empty clipboard, and an exception.
// Their whole course (the dialog, the stored clip, pasting it back) is the clip scenarios' under
// cmhost.
#include "support/StoredClipList.h"
#include "plugin/support/PluginSession.h"
#include "plugin/support/ScriptedUser.h"
#include "support/TempDir.h"

#include <Carbon/Carbon.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using cliplisttest::ReadStoredClipList;
using dialogtest::ClickButton;
using dialogtest::PressOK;
using dialogtest::ScriptedUser;

class AddCommandsTest : public testing::Test {
protected:
    bool NothingStored() const
    {
        return ReadStoredClipList().empty() && testsupport::EntryNames(mStorage.DataHome() + "/Stashwell").empty();
    }

    testsupport::ScopedStorageEnvironment mStorage;
    sessiontest::PluginSession mSession;
    ScriptedUser mUser;
};

// An empty clipboard still asks for a name; no selected text (nor a picture that cannot be
// coerced to text, nor a Cocoa selection) shows no dialog at all.
TEST_F(AddCommandsTest, OnlyMissingSelectedTextShowsNoDialog)
{
    mUser.act = PressOK;
    EXPECT_EQ(mSession.Pick(100), noErr);
    AEDesc picture = {typeNull, nullptr};
    ASSERT_EQ(AECreateDesc('PICT', "pict", 4, &picture), noErr);
    EXPECT_EQ(mSession.Pick(100, picture), noErr);
    AEDisposeDesc(&picture);
    EXPECT_TRUE(mUser.windows.empty());

    mUser.act = [](WindowRef window, UInt32) {
        ClickButton(window, kHICommandCancel);
        return false;
    };
    EXPECT_EQ(mSession.Pick(101), noErr);
    EXPECT_EQ(mUser.windows.size(), 1u);
    EXPECT_TRUE(NothingStored());
}

TEST_F(AddCommandsTest, AnExceptionEndsTheCommandQuietly)
{
    ScrapRef scrap = nullptr;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
    ASSERT_EQ(PutScrapFlavor(scrap, 'TEXT', 0, 16, "Lost in the copy"), noErr);
    mUser.act = PressOK;
    // Reading the clipboard into the set runs out of memory on its first block.
    EXPECT_EQ(mSession.Pick(101, {typeNull, nullptr}, 1), noErr);
    EXPECT_TRUE(mUser.windows.empty());
    EXPECT_TRUE(NothingStored());
}

// Content that cannot be kept whole is not kept at all: a flavor larger than a block can hold is
// refused before the user names the clip. The 2 GiB + 1 flavor is a sparse file, which takes no
// room, named by a manifest written as another process could have.
TEST_F(AddCommandsTest, AClipboardFlavorTooLargeForAClipIsRefusedWithAMessage)
{
    ScrapRef scrap = nullptr;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
    ASSERT_EQ(PutScrapFlavor(scrap, 'PICT', 0, 7, "picture"), noErr);
    ASSERT_EQ(PutScrapFlavor(scrap, 'TEXT', 0, 1, "t"), noErr);
    const std::string generation = mStorage.RuntimeDir() + "/clipboard/current/";
    std::filesystem::resize_file(generation + "54455854", (1ull << 31) + 1);
    ASSERT_TRUE(testsupport::WriteFile(generation + "manifest.new", "clipboard manifest 1\nflavors 2\n"
                                                                    "50494354 00000000 7\n"
                                                                    "54455854 00000000 2147483649\n"));
    std::filesystem::rename(generation + "manifest.new", generation + "manifest");
    mUser.act = PressOK;
    EXPECT_EQ(mSession.Pick(101), noErr);
    EXPECT_TRUE(mUser.windows.empty());
    ASSERT_EQ(mUser.alerts.size(), 1u);
    EXPECT_EQ(mUser.alerts[0].message, "The clipboard holds content too large to be kept as a clip.");
    EXPECT_TRUE(NothingStored());
}

// A clip no menu could show could never be pasted or deleted: a submenu nested deeper than the
// menu goes is refused with a message before anything is stored.
TEST_F(AddCommandsTest, ASubmenuTooDeepForTheMenuIsRefused)
{
    std::string deep;
    for (int level = 0; level < 65; ++level) {
        deep += "/L" + std::to_string(level);
    }
    mUser.act = [&](WindowRef window, UInt32) {
        EXPECT_EQ(dialogtest::TypeInto(dialogtest::FindControl(window, kPlatformControlComboBox), deep), noErr);
        EXPECT_EQ(ClickButton(window, kHICommandOK), noErr);
        return false;
    };
    AEDesc text = {typeNull, nullptr};
    ASSERT_EQ(AECreateDesc('TEXT', "Deep", 4, &text), noErr);
    EXPECT_EQ(mSession.Pick(100, text), noErr);
    AEDisposeDesc(&text);
    EXPECT_TRUE(ReadStoredClipList().empty());
    ASSERT_EQ(mUser.alerts.size(), 1u);
    EXPECT_EQ(mUser.alerts[0].message,
              "The submenu is nested too deeply to be shown. Choose a submenu with fewer levels.");
}

}  // namespace
