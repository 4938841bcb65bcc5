// "Add Selected Text..." and "Add Clipboard Content..." through the HandleSelection entry point,
// one menu at a time as the host runs it: the dialog the user sees, and the clip list and clip
// packages that the next menu finds.
#include "plugin/support/ClipListTesting.h"
#include "plugin/support/PluginSession.h"
#include "plugin/support/ScriptedUser.h"
#include "support/TempDir.h"

#include <Carbon/Carbon.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using cliplisttest::ReadStoredClipList;
using cliplisttest::StoredRecord;
using dialogtest::ClickButton;
using dialogtest::FindControl;
using dialogtest::FindControlByID;
using dialogtest::ScriptedUser;
using dialogtest::ShownControl;
using dialogtest::TypeInto;

bool OKAtOnce(WindowRef window, UInt32)
{
    EXPECT_EQ(ClickButton(window, kHICommandOK), noErr);
    return false;
}

class AddCommandsTest : public testing::Test {
protected:
    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }

    std::set<std::string> Packages() const { return testsupport::EntryNames(ClipsFolder()); }
    std::set<std::string> FilesIn(const std::string& package) const
    {
        return testsupport::EntryNames(ClipsFolder() + "/" + package);
    }

    void PutOnClipboard(const std::vector<std::pair<ScrapFlavorType, std::string>>& flavors)
    {
        ScrapRef scrap = nullptr;
        ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
        for (const auto& [type, bytes] : flavors) {
            ASSERT_EQ(PutScrapFlavor(scrap, type, 0, static_cast<Size>(bytes.size()), bytes.data()), noErr);
        }
    }

    // A clip list in the preferences with one clip in each of the submenus.
    void StoreClipsIn(const std::vector<std::string>& submenus)
    {
        std::vector<cliplisttest::ClipRecord> clips;
        for (const std::string& submenu : submenus) {
            clips.push_back({"Earlier", "", {}, false, submenu});
        }
        cliplisttest::StoreClipList(clips);
    }

    OSStatus Pick(SInt32 command, AEDesc context = {typeNull, nullptr}, int failAllocations = 0)
    {
        return mSession.Pick(command, context, failAllocations);
    }

    testsupport::ScopedStorageEnvironment mStorage;
    sessiontest::PluginSession mSession;
    ScriptedUser mUser;
};

// A context descriptor holding text, disposed with the test.
class TextContext {
public:
    explicit TextContext(const std::string& text)
    {
        AECreateDesc(typeChar, text.data(), static_cast<Size>(text.size()), &mDesc);
    }
    ~TextContext() { AEDisposeDesc(&mDesc); }
    const AEDesc& get() const { return mDesc; }

private:
    AEDesc mDesc = {typeNull, nullptr};
};

TEST_F(AddCommandsTest, SelectedTextBecomesAClipInTheChosenSubmenu)
{
    StoreClipsIn({"/Work", "/Stashwell/Mail", "/Work"});
    TextContext context("Meeting notes for Monday\nsecond line");
    mUser.act = [](WindowRef window, UInt32) {
        TypeInto(FindControl(window, kPlatformControlComboBox), "/Work");
        return OKAtOnce(window, 0);
    };
    EXPECT_EQ(Pick(100, context.get()), noErr);

    ASSERT_EQ(mUser.windows.size(), 1u);
    const ShownControl* nameField = mUser.windows[0].Find('Swdg', 3);
    ASSERT_NE(nameField, nullptr);
    EXPECT_EQ(nameField->text.rfind("Meeting notes", 0), 0u) << nameField->text;
    const ShownControl* submenu = mUser.windows[0].FindKind(kPlatformControlComboBox);
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(submenu->items, (std::vector<std::string>{"/Stashwell", "/Work", "/Stashwell/Mail"}));
    EXPECT_EQ(submenu->text, "/Stashwell");
    const ShownControl* plainText = mUser.windows[0].Find('Swdg', 6);
    ASSERT_NE(plainText, nullptr);
    EXPECT_TRUE(plainText->info.visible) << "text is offered as plain text";
    EXPECT_EQ(plainText->info.value, 0);
    EXPECT_EQ(mUser.windows[0].Find('Swdg', 5)->info.value, 0);

    std::vector<StoredRecord> clips = ReadStoredClipList();
    ASSERT_EQ(clips.size(), 4u);
    const std::string name = nameField->text;
    EXPECT_EQ(clips[3], (StoredRecord{{"NAME", name}, {"FILENAME", name}, {"SUBMENU", "/Work"},
                                       {"FLAVORS", "TEXT,utxt"}}));
    EXPECT_EQ(FilesIn(name), (std::set<std::string>{"TEXT", "utxt"}));
    EXPECT_EQ(testsupport::ReadFile(ClipsFolder() + "/" + name + "/TEXT"), "Meeting notes for Monday\nsecond line");
}

// An empty clipboard still asks for a name; no selected text (nor a picture that cannot be
// coerced to text, nor a Cocoa selection) shows no dialog at all.
TEST_F(AddCommandsTest, OnlyMissingSelectedTextShowsNoDialog)
{
    mUser.act = OKAtOnce;
    EXPECT_EQ(Pick(100), noErr);
    AEDesc picture = {typeNull, nullptr};
    ASSERT_EQ(AECreateDesc('PICT', "pict", 4, &picture), noErr);
    EXPECT_EQ(Pick(100, picture), noErr);
    AEDisposeDesc(&picture);
    EXPECT_TRUE(mUser.windows.empty());

    mUser.act = [](WindowRef window, UInt32) {
        ClickButton(window, kHICommandCancel);
        return false;
    };
    EXPECT_EQ(Pick(101), noErr);
    EXPECT_EQ(mUser.windows.size(), 1u);
    EXPECT_TRUE(ReadStoredClipList().empty());
    EXPECT_TRUE(Packages().empty());
}

TEST_F(AddCommandsTest, AnExceptionEndsTheCommandQuietly)
{
    PutOnClipboard({{'TEXT', "Lost in the copy"}});
    mUser.act = OKAtOnce;
    // Reading the clipboard into the set runs out of memory on its first block.
    EXPECT_EQ(Pick(101, {typeNull, nullptr}, 1), noErr);
    EXPECT_TRUE(mUser.windows.empty());
    EXPECT_TRUE(ReadStoredClipList().empty());
    EXPECT_TRUE(Packages().empty());
}

}  // namespace
