// Storing a new plain clip: the package folder's name (cleaned, made unique with two digits), the
// flavor files, the record appended to the clip list, and the saving-error alert for every way
// the package cannot be stored, after which nothing of it remains.
#include "commands/ClipCreation.h"
#include "plugin/ClipAlerts.h"

#include "plugin/content/FlavorSetTesting.h"
#include "support/StoredClipList.h"
#include "plugin/support/PluginSession.h"
#include "plugin/support/ScriptedUser.h"
#include "prefs/PreferencesStore.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"
#include "support/LockHolder.h"
#include "support/TempDir.h"

#include "LockFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using cliplisttest::RecordOf;
using cliplisttest::StoredRecord;
using dialogtest::OtherApplicationInFront;
using dialogtest::ScriptedUser;
using flavortesting::ScopedWriteBudget;
using flavortesting::TestFlavorSet;
using texttest::CreateString;
using texttest::UnitsOf;

const char kSavingError[] = "An error occurred while saving the clip.";

// A clip list whose appending fails as when memory runs out.
class FailingClipList : public CFDictArray {
public:
    void AddItem(CFDictionaryRef) override { throw static_cast<SInt32>(memFullErr); }
};

class ClipCreationTest : public testing::Test {
protected:
    void SetUp() override
    {
        mInstance = AllocAbstractCMPluginType(nullptr);
        ASSERT_NE(mInstance, nullptr);
        mInstance->bundle = sessiontest::CreateStashwellBundle();
        mInstance->implData.clipList = new CFDictArray();
        mFlavors.CreateFromCFString(CFSTR("Hello"));
        mFlavors.Add('PICT', "picture");
    }
    void TearDown() override
    {
        delete mInstance->implData.clipList;
        mInstance->implData.clipList = nullptr;
        DeallocAbstractCMPluginType(mInstance);
    }

    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }

    // Everything in the clips folder but its lock file, which stays: intents and work folders
    // left over would show here.
    std::set<std::string> Packages() const
    {
        std::set<std::string> names = testsupport::EntryNames(ClipsFolder());
        names.erase(".stashwell-lock");
        return names;
    }
    std::set<std::string> FilesIn(const std::string& package) const
    {
        return testsupport::EntryNames(ClipsFolder() + "/" + package);
    }

    template <typename Text>
    void Add(const Text& name, CFStringRef submenu = CFSTR("/Stashwell"))
    {
        CFObj<CFStringRef> clipName(CreateString(name));
        AddNewClip(mInstance, clipName.Get(), submenu, mFlavors);
    }

    SInt32 RecordCount() const { return mInstance->implData.clipList->GetCount(); }
    StoredRecord Record(SInt32 index) const { return RecordOf(mInstance->implData.clipList->FetchItemAt(index)); }
    std::u16string UnitsIn(SInt32 index, CFStringRef key) const
    {
        return UnitsOf(mInstance->implData.clipList->GetItemStringForKey(index, key));
    }

    testsupport::ScopedStorageEnvironment mStorage;
    ScriptedUser mUser;
    AbstractCMPluginType* mInstance = nullptr;
    TestFlavorSet mFlavors;
};

TEST(NormalizeFilename, ControlCharactersBecomeBlanksAndColonsHyphens)
{
    std::u16string name = u"a:b\tc\nd\re";
    name += char16_t(0);
    name += u"\x1F f/g\x7F\u00E9::";
    const size_t length = name.size();
    NormalizeFilename(length, reinterpret_cast<UniChar*>(name.data()));
    EXPECT_EQ(name, u"a-b c d e   f/g\x7F\u00E9--");
    EXPECT_EQ(name.size(), length);

    std::u16string untouched = u"x:y";
    NormalizeFilename(1, reinterpret_cast<UniChar*>(untouched.data()));
    EXPECT_EQ(untouched, u"x:y") << "only the given length is looked at";
}

TEST_F(ClipCreationTest, RecordKeepsTheNameAndNamesTheCleanedFolder)
{
    Add("To do:\tcall\nhome");
    ASSERT_EQ(RecordCount(), 1);
    EXPECT_TRUE(mInstance->implData.clipList->IsModified());
    EXPECT_EQ(Record(0), (StoredRecord{{"NAME", "To do:\tcall\nhome"}, {"FILENAME", "To do- call home"},
                                       {"SUBMENU", "/Stashwell"}, {"FLAVORS", "PICT,TEXT,utxt"}, {"CLIP_ID", "uuid"}}));
    EXPECT_EQ(Packages(), (std::set<std::string>{"To do- call home"}));
    EXPECT_EQ(FilesIn("To do- call home"), (std::set<std::string>{"PICT", "TEXT", "utxt"}));
    EXPECT_EQ(testsupport::ReadFile(ClipsFolder() + "/To do- call home/TEXT"), "Hello");
    EXPECT_EQ(testsupport::ReadFile(ClipsFolder() + "/To do- call home/PICT"), "picture");
    EXPECT_TRUE(mUser.alerts.empty());

    // The submenu is stored as given, and left out when there is none; a plain-text clip keeps
    // only its text flavors and gets no flag.
    Add("Empty submenu", CFSTR(""));
    mFlavors.mUsePlainText = true;
    Add("No submenu", nullptr);
    ASSERT_EQ(RecordCount(), 3);
    EXPECT_EQ(Record(1)["SUBMENU"], "");
    EXPECT_EQ(Record(2), (StoredRecord{{"NAME", "No submenu"}, {"FILENAME", "No submenu"}, {"FLAVORS", "TEXT,utxt"},
                                       {"CLIP_ID", "uuid"}}));
    EXPECT_EQ(FilesIn("No submenu"), (std::set<std::string>{"TEXT", "utxt"}));
}

TEST_F(ClipCreationTest, SameNameGetsTwoDigitSuffixesWithoutSeparator)
{
    Add("Note");
    Add("Note");
    Add("Note");
    Add("Note:");  // cleaned to a fourth, different name
    EXPECT_EQ(Packages(), (std::set<std::string>{"Note", "Note01", "Note02", "Note-"}));
    ASSERT_EQ(RecordCount(), 4);
    EXPECT_EQ(Record(1)["FILENAME"], "Note01");
    EXPECT_EQ(Record(2)["FILENAME"], "Note02");
    EXPECT_EQ(Record(2)["NAME"], "Note");
    EXPECT_EQ(FilesIn("Note02"), (std::set<std::string>{"PICT", "TEXT", "utxt"}));

    // A suffix freed by a deleted clip is taken again first.
    fs::remove_all(ClipsFolder() + "/Note01");
    Add("Note");
    EXPECT_EQ(Record(4)["FILENAME"], "Note01");

    // No name: the untitled folder, and a record that can still be deleted by its name.
    AddNewClip(mInstance, nullptr, nullptr, mFlavors);
    AddNewClip(mInstance, nullptr, nullptr, mFlavors);
    EXPECT_EQ(Record(5)["NAME"], "Untitled");
    EXPECT_EQ(Record(6)["FILENAME"], "Untitled01");
    EXPECT_TRUE(mUser.alerts.empty());
}

// A folder name holds 255 units, fewer when their bytes would not fit a name of this volume, and
// is never cut inside a character; the suffix replaces the end. The record keeps the whole name.
TEST_F(ClipCreationTest, LongNamesAreCutToWhatTheVolumeHoldsWithTheSuffixAtTheEnd)
{
    const std::u16string smiley = std::u16string(254, u'g') + u"\U0001F600";
    const std::u16string n255 = std::u16string(254, u'c') + u"d";
    const std::u16string cyrillic(128, u'\u0416');   // 128 units, but too many bytes
    const std::u16string ideographs(100, u'\u6587');  // three bytes each
    const struct {
        std::u16string name;
        std::vector<std::u16string> folders;  // for the name added again and again
    } cases[] = {
        {std::u16string(253, u'a'), {std::u16string(253, u'a'), std::u16string(253, u'a') + u"01"}},
        {std::u16string(254, u'b'), {std::u16string(254, u'b'), std::u16string(253, u'b') + u"01"}},
        {n255, {n255, n255.substr(0, 253) + u"01", n255.substr(0, 253) + u"02"}},
        {std::u16string(300, u'e'), {std::u16string(255, u'e'), std::u16string(253, u'e') + u"01"}},
        {smiley, {smiley.substr(0, 254), smiley.substr(0, 253) + u"01"}},
        {cyrillic, {cyrillic.substr(0, 127), cyrillic.substr(0, 126) + u"01"}},
        {ideographs, {ideographs.substr(0, 85)}},
    };
    size_t folders = 0;
    for (const auto& c : cases) {
        for (const std::u16string& folder : c.folders) {
            SCOPED_TRACE(folders);
            Add(c.name);
            ASSERT_EQ(RecordCount(), static_cast<SInt32>(++folders));
            EXPECT_EQ(UnitsIn(RecordCount() - 1, CFSTR("FILENAME")), folder);
            EXPECT_EQ(UnitsIn(RecordCount() - 1, CFSTR("NAME")), c.name);
        }
    }
    EXPECT_EQ(Packages().size(), folders);
    EXPECT_TRUE(mUser.alerts.empty());
}

TEST_F(ClipCreationTest, AllSuffixesTakenShowsTheAlertAndAddsNothing)
{
    OtherApplicationInFront other;
    fs::create_directories(ClipsFolder() + "/Full");
    for (int suffix = 1; suffix <= 99; ++suffix) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02d", suffix);
        fs::create_directories(ClipsFolder() + "/Full" + digits);
    }
    const std::set<std::string> before = Packages();
    Add("Full");
    EXPECT_EQ(RecordCount(), 0);
    EXPECT_FALSE(mInstance->implData.clipList->IsModified());
    EXPECT_EQ(Packages(), before);
    EXPECT_FALSE(fs::exists(ClipsFolder() + "/Full00"));
    ASSERT_EQ(mUser.alerts.size(), 1u);
    EXPECT_EQ(mUser.alerts[0].message, kSavingError);
    EXPECT_EQ(mUser.alerts[0].alertType, kAlertStopAlert);
    EXPECT_EQ(mUser.alerts[0].defaultText, "OK");
    EXPECT_EQ(mUser.alerts[0].cancelText, "<null>") << "one button only";
    EXPECT_TRUE(mUser.alerts[0].hostInFront);
    EXPECT_TRUE(OtherApplicationInFront::IsInFront());

    FSRef package;
    CFStringRef fileName = CFSTR("untouched");
    EXPECT_EQ(CreateClipPackage(CFSTR("Full"), &package, &fileName), dupFNErr);
    EXPECT_EQ(fileName, nullptr);
}

TEST_F(ClipCreationTest, NameTheFileSystemRefusesShowsTheAlert)
{
    for (const char* refused : {"", ".", ".."}) {
        Add(refused);
    }
    EXPECT_EQ(RecordCount(), 0);
    EXPECT_EQ(mUser.alerts.size(), 3u);
    EXPECT_TRUE(Packages().empty());
}

TEST_F(ClipCreationTest, FullDiskShowsTheAlertAndLeavesNoHalfWrittenPackage)
{
    for (long long budget : {0LL, 3LL, 9LL}) {
        ScopedWriteBudget full(budget);
        Add("Too big");
    }
    EXPECT_EQ(RecordCount(), 0);
    EXPECT_FALSE(mInstance->implData.clipList->IsModified());
    EXPECT_EQ(mUser.alerts.size(), 3u);
    for (const auto& alert : mUser.alerts) {
        EXPECT_EQ(alert.message, kSavingError);
    }
    EXPECT_TRUE(Packages().empty()) << "no package folder may stay behind";

    // With room again the same name is free.
    Add("Too big");
    EXPECT_EQ(Record(0)["FILENAME"], "Too big");
}

TEST_F(ClipCreationTest, ExceptionAfterThePackageWasWrittenLeavesNoPackage)
{
    delete mInstance->implData.clipList;
    mInstance->implData.clipList = new FailingClipList();
    EXPECT_THROW(Add("Lost"), SInt32);
    EXPECT_TRUE(Packages().empty());
    EXPECT_TRUE(mUser.alerts.empty()) << "the command's barrier ends it quietly";
}

// The record is saved as the clip is made: one that cannot be saved takes its package with it,
// and the user is told.
TEST_F(ClipCreationTest, ARecordThatCannotBeSavedLeavesNoPackage)
{
    for (int stage = 1; stage <= 4; ++stage) {
        platform::prefs::FailNextPreferencesWriteForTesting(stage);
        Add("Unsaved");
    }
    EXPECT_TRUE(cliplisttest::StoredClipNames().empty());
    EXPECT_TRUE(Packages().empty());
    ASSERT_EQ(mUser.alerts.size(), 4u);
    EXPECT_EQ(mUser.alerts[3].message, kSavingError);
}

// A type whose bytes cannot name a file is left out of the package and the record, not the whole
// clip; the keychain's name is never given to a package, even before the keychain exists.
TEST_F(ClipCreationTest, TypesNoFileCanCarryAreLeftOutAndTheMachineryNamesAreNeverTaken)
{
    mFlavors.Add('a:bc', "colon");
    mFlavors.Add(0x00414243, "nul");
    Add("Stashwell.keychain");
    ASSERT_EQ(RecordCount(), 1);
    EXPECT_EQ(Record(0)["FILENAME"], "Stashwell.keychain01");
    EXPECT_EQ(Record(0)["FLAVORS"], "PICT,TEXT,utxt");
    EXPECT_EQ(FilesIn("Stashwell.keychain01"), (std::set<std::string>{"PICT", "TEXT", "utxt"}));
    EXPECT_EQ(cliplisttest::StoredClipNames(), std::vector<std::string>{"Stashwell.keychain"});

    // A name of the folder's machinery keeps its name in the record and gets a folder of its own.
    Add(".stashwell-lock");
    ASSERT_EQ(RecordCount(), 2);
    EXPECT_EQ(Record(1)["NAME"], ".stashwell-lock");
    EXPECT_EQ(Record(1)["FILENAME"], "_stashwell-lock");
    EXPECT_EQ(FilesIn("_stashwell-lock"), (std::set<std::string>{"PICT", "TEXT", "utxt"}));
    EXPECT_TRUE(mUser.alerts.empty());
}

// The menu lists 2000 clips: a list that holds them refuses another, which no menu could show. And
// a clips folder another application keeps busy refuses it, naming that application. Either is
// told once the lock is free, so that no other menu waits on the user.
TEST_F(ClipCreationTest, AnAddThatCannotBeDoneIsToldOnceTheLockIsFree)
{
    std::vector<cliplisttest::ClipRecord> full(2000, cliplisttest::ClipRecord{"Old", "Old", {"TEXT"}});
    cliplisttest::StoreClipList(full);
    Add("One too many");
    EXPECT_EQ(cliplisttest::StoredClipNames().size(), 2000u);
    EXPECT_TRUE(Packages().empty());
    ASSERT_EQ(mUser.alerts.size(), 1u);
    EXPECT_EQ(mUser.alerts[0].message, "The clip list is full. Delete a clip before adding another.");
    EXPECT_FALSE(mUser.alerts[0].clipListLocked) << "no other menu waits on the user";

    cliplisttest::StoreClipList({});
    testsupport::LockHolder holder(ClipsFolder() + "/.stashwell-lock");
    platform::SetLockWaitForTesting(std::chrono::milliseconds(100));
    Add("Kept busy");
    platform::SetLockWaitForTesting(std::chrono::milliseconds(0));
    EXPECT_TRUE(cliplisttest::StoredClipNames().empty());
    EXPECT_TRUE(Packages().empty());
    ASSERT_EQ(mUser.alerts.size(), 2u);
    const std::string& told = mUser.alerts[1].message;
    EXPECT_EQ(told.rfind("Nothing was changed: another application kept your clips busy", 0), 0u) << told;
    EXPECT_NE(told.find("(process " + std::to_string(holder.Pid()) + ")"), std::string::npos) << told;
    EXPECT_FALSE(mUser.alerts[1].clipListLocked);
}

TEST_F(ClipCreationTest, WithoutAClipListNothingIsStored)
{
    delete mInstance->implData.clipList;
    mInstance->implData.clipList = nullptr;
    Add("Nowhere");
    AddNewClip(nullptr, CFSTR("Nowhere"), nullptr, mFlavors);
    EXPECT_TRUE(Packages().empty());
    EXPECT_TRUE(mUser.alerts.empty());
}

TEST(DisplayAlert, AnswersWhetherTheDefaultButtonWasPressed)
{
    EXPECT_FALSE(DisplayAlert(CFSTR("Anyone there?"), nullptr, nullptr, kAlertStopAlert)) << "nobody to answer";

    OtherApplicationInFront other;
    ScriptedUser user;
    EXPECT_TRUE(DisplayAlert(CFSTR("Replace it?"), CFSTR("Replace"), CFSTR("Keep"), kAlertCautionAlert));
    user.alertAnswer = kAlertStdAlertCancelButton;
    EXPECT_FALSE(DisplayAlert(CFSTR("Replace it?"), CFSTR("Replace"), CFSTR("Keep"), kAlertCautionAlert));
    ASSERT_EQ(user.alerts.size(), 2u);
    EXPECT_EQ(user.alerts[0].message, "Replace it?");
    EXPECT_EQ(user.alerts[0].alertType, kAlertCautionAlert);
    EXPECT_EQ(user.alerts[0].defaultText, "Replace");
    EXPECT_EQ(user.alerts[0].cancelText, "Keep");
    EXPECT_TRUE(user.alerts[0].hostInFront);
    EXPECT_TRUE(OtherApplicationInFront::IsInFront());

    // An empty message shows nothing and counts as confirmed.
    EXPECT_TRUE(DisplayAlert(nullptr, nullptr, nullptr, kAlertStopAlert));
    EXPECT_TRUE(DisplayAlert(CFSTR(""), CFSTR("Go"), CFSTR("Stay"), kAlertNoteAlert));
    EXPECT_EQ(user.alerts.size(), 2u);
}

}  // namespace
