// The application's keyboard: every posted event is recorded in order, and only Command-V pastes,
// reading the clipboard's text as an editor does.
#include "application/KeyboardRecorder.h"

#include "support/TempDir.h"

#include <ApplicationServices/ApplicationServices.h>
#include <Carbon/Carbon.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

using cmhost::Document;
using cmhost::KeyboardRecorder;

class KeyboardRecorderTest : public testing::Test {
protected:
    void PutFlavor(ScrapFlavorType type, const void* data, Size size)
    {
        ScrapRef scrap = nullptr;
        ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
        ASSERT_EQ(PutScrapFlavor(scrap, type, kScrapFlavorMaskNone, size, data), noErr);
    }

    void PostPaste()
    {
        CGEnableEventStateCombining(false);
        CGPostKeyboardEvent(0, 55, true);
        CGPostKeyboardEvent('v', 9, true);
        CGPostKeyboardEvent('v', 9, false);
        CGPostKeyboardEvent(0, 55, false);
        CGEnableEventStateCombining(true);
    }

    testsupport::ScopedStorageEnvironment mStorage;
};

TEST_F(KeyboardRecorderTest, CommandVPastesUnicodeTextFirstAndEverythingIsRecorded)
{
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    const char roman[] = "roman";
    PutFlavor(kScrapFlavorTypeText, roman, 5);
    const UniChar unicode[] = {0xFEFF, 'u', 0x00E9, 0xD83D, 0xDE00};
    PutFlavor(kScrapFlavorTypeUnicode, unicode, sizeof unicode);

    Document document{"Dear John,", "", 5, 4};
    KeyboardRecorder keyboard(&document);
    PostPaste();
    EXPECT_EQ(document.text, "Dear u\u00e9\U0001F600,");
    EXPECT_EQ(keyboard.PasteCount(), 1);

    const auto& records = keyboard.Records();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_FALSE(records[0].isKey);
    EXPECT_FALSE(records[0].stateCombining);
    EXPECT_TRUE(records[1].isKey);
    EXPECT_EQ(records[1].keyCode, 55);
    EXPECT_FALSE(records[1].stateCombining);
    EXPECT_FALSE(records[5].isKey);
    EXPECT_TRUE(records[5].stateCombining);
    ASSERT_EQ(keyboard.Keystrokes().size(), 4u);
    EXPECT_EQ(keyboard.Keystrokes()[2].charCode, 'v');
    EXPECT_FALSE(keyboard.Keystrokes()[2].keyDown);
}

TEST_F(KeyboardRecorderTest, OnlyVWhileCommandIsDownPastesAndMacRomanTextIsDecoded)
{
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    const char roman[] = "Caf\x8e \xdb";  // 0xDB is the euro sign in Mac OS Roman
    PutFlavor(kScrapFlavorTypeText, roman, static_cast<Size>(std::strlen(roman)));

    Document document{"", "", 0, 0};
    KeyboardRecorder keyboard(&document);
    CGPostKeyboardEvent('v', 9, true);  // no Command
    CGPostKeyboardEvent('v', 9, false);
    CGPostKeyboardEvent(0, 55, true);
    CGPostKeyboardEvent(0, 55, false);
    CGPostKeyboardEvent('v', 9, true);  // Command already released
    CGPostKeyboardEvent(0, 55, true);
    CGPostKeyboardEvent('v', 9, false);  // a key going up never pastes
    EXPECT_EQ(keyboard.PasteCount(), 0);
    EXPECT_EQ(document.text, "");

    CGPostKeyboardEvent('v', 9, true);
    CGPostKeyboardEvent(0, 55, false);
    EXPECT_EQ(keyboard.PasteCount(), 1);
    EXPECT_EQ(document.text, "Caf\u00e9 \u20ac");
    EXPECT_EQ(keyboard.Keystrokes().size(), 9u);
}

TEST_F(KeyboardRecorderTest, WithoutADocumentKeysAreRecordedAndTheSinkGoesWithTheRecorder)
{
    {
        KeyboardRecorder noDocument(nullptr);
        PostPaste();
        EXPECT_EQ(noDocument.Keystrokes().size(), 4u);
    }
    // With the recorder gone, posting reaches nobody and does not fail.
    EXPECT_EQ(CGPostKeyboardEvent(0, 55, true), kCGErrorSuccess);
    CGPostKeyboardEvent(0, 55, false);
}

TEST_F(KeyboardRecorderTest, ATextLargerThanAFlavorCanBeIsRefusedUnread)
{
    // A 3 GiB text on the clipboard: a sparse file, which takes no room, named by a manifest
    // written as another process could have.
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    const UniChar unit = 'a';
    PutFlavor(kScrapFlavorTypeUnicode, &unit, sizeof unit);
    const std::string generation = mStorage.RuntimeDir() + "/clipboard/current/";
    std::filesystem::resize_file(generation + "75747874", 3ull << 30);
    ASSERT_TRUE(testsupport::WriteFile(generation + "manifest.new",
                                       "clipboard manifest 1\nflavors 1\n75747874 00000000 3221225472\n"));
    std::filesystem::rename(generation + "manifest.new", generation + "manifest");

    Document document{"kept", "", 4, 0};
    KeyboardRecorder keyboard(&document);
    PostPaste();
    EXPECT_EQ(keyboard.PasteCount(), 1);
    EXPECT_EQ(document.text, "kept");
    EXPECT_NE(keyboard.WriteError().find("larger than 2147483647 bytes"), std::string::npos) << keyboard.WriteError();
}

}  // namespace
