// Storing a new plain clip: the package folder's name (cleaned, made unique with two digits), the
// flavor files, the record appended to the clip list, and the saving-error alert for every way
// the package cannot be stored, after which nothing of it remains.
#include "commands/ClipCreation.h"

#include "plugin/content/FlavorSetTesting.h"
#include "plugin/support/ScriptedUser.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"
#include "support/TempDir.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using dialogtest::MakeString;
using dialogtest::OtherApplicationInFront;
using dialogtest::ScriptedUser;
using dialogtest::TextOf;
using flavortesting::TestFlavorSet;

const char kSavingError[] = "An error occurred while saving the clip.";

CFBundleRef CreateStashwellBundle()
{
    CFObj<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(STASHWELL_BUNDLE_DIR), std::strlen(STASHWELL_BUNDLE_DIR), true));
    return CFBundleCreate(nullptr, url.Get());
}

std::u16string Units(CFStringRef string)
{
    return flavortesting::UnitsOf(string);
}

CFStringRef MakeUnits(const std::u16string& units)
{
    return CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(units.data()),
                                        static_cast<CFIndex>(units.size()));
}

// Makes writes fail as on a full disk for its own life.
class ScopedWriteBudget {
public:
    explicit ScopedWriteBudget(long long bytes) { PlatformSetFileWriteBudgetForTesting(bytes); }
    ~ScopedWriteBudget() { PlatformSetFileWriteBudgetForTesting(-1); }
};

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
        mInstance->bundle = CreateStashwellBundle();
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

    std::set<std::string> Packages() const { return testsupport::EntryNames(ClipsFolder()); }
    std::set<std::string> FilesIn(const std::string& package) const
    {
        return testsupport::EntryNames(ClipsFolder() + "/" + package);
    }

    void Add(const std::string& name, CFStringRef submenu = CFSTR("/Stashwell"))
    {
        CFObj<CFStringRef> clipName(MakeString(name));
        AddNewClip(mInstance, clipName.Get(), submenu, mFlavors);
    }

    SInt32 RecordCount() const { return mInstance->implData.clipList->GetCount(); }
    CFDictionaryRef Record(SInt32 index) const { return mInstance->implData.clipList->FetchItemAt(index); }
    std::string StringIn(SInt32 index, CFStringRef key) const
    {
        return TextOf(mInstance->implData.clipList->GetItemStringForKey(index, key));
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
    EXPECT_EQ(StringIn(0, CFSTR("NAME")), "To do:\tcall\nhome");
    EXPECT_EQ(StringIn(0, CFSTR("FILENAME")), "To do- call home");
    EXPECT_EQ(StringIn(0, CFSTR("SUBMENU")), "/Stashwell");
    auto flavors = static_cast<CFArrayRef>(CFDictionaryGetValue(Record(0), CFSTR("FLAVORS")));
    ASSERT_NE(flavors, nullptr);
    ASSERT_EQ(CFArrayGetCount(flavors), 3);
    EXPECT_EQ(TextOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(flavors, 0))), "PICT");
    EXPECT_EQ(TextOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(flavors, 1))), "TEXT");
    EXPECT_EQ(TextOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(flavors, 2))), "utxt");
    EXPECT_FALSE(CFDictionaryContainsKey(Record(0), CFSTR("SECURE")));
    EXPECT_FALSE(CFDictionaryContainsKey(Record(0), CFSTR("USE_PLAIN_TEXT")));

    EXPECT_EQ(Packages(), (std::set<std::string>{"To do- call home"}));
    EXPECT_EQ(FilesIn("To do- call home"), (std::set<std::string>{"PICT", "TEXT", "utxt"}));
    EXPECT_EQ(testsupport::ReadFile(ClipsFolder() + "/To do- call home/TEXT"), "Hello");
    EXPECT_EQ(testsupport::ReadFile(ClipsFolder() + "/To do- call home/PICT"), "picture");
    EXPECT_TRUE(mUser.alerts.empty());
}

TEST_F(ClipCreationTest, SubmenuIsStoredAsGivenAndLeftOutWhenMissing)
{
    Add("Empty submenu", CFSTR(""));
    Add("No submenu", nullptr);
    ASSERT_EQ(RecordCount(), 2);
    EXPECT_EQ(StringIn(0, CFSTR("SUBMENU")), "");
    EXPECT_FALSE(CFDictionaryContainsKey(Record(1), CFSTR("SUBMENU")));
}

TEST_F(ClipCreationTest, PlainTextClipKeepsOnlyItsTextFlavorsAndNoFlag)
{
    mFlavors.mUsePlainText = true;
    Add("Plain");
    ASSERT_EQ(RecordCount(), 1);
    EXPECT_EQ(FilesIn("Plain"), (std::set<std::string>{"TEXT", "utxt"}));
    auto flavors = static_cast<CFArrayRef>(CFDictionaryGetValue(Record(0), CFSTR("FLAVORS")));
    ASSERT_NE(flavors, nullptr);
    EXPECT_EQ(CFArrayGetCount(flavors), 2);
    EXPECT_FALSE(CFDictionaryContainsKey(Record(0), CFSTR("USE_PLAIN_TEXT")));
    EXPECT_FALSE(CFDictionaryContainsKey(Record(0), CFSTR("SECURE")));
}

TEST_F(ClipCreationTest, SameNameGetsTwoDigitSuffixesWithoutSeparator)
{
    Add("Note");
    Add("Note");
    Add("Note");
    Add("Note:");  // cleaned to a fourth, different name
    EXPECT_EQ(Packages(), (std::set<std::string>{"Note", "Note01", "Note02", "Note-"}));
    ASSERT_EQ(RecordCount(), 4);
    EXPECT_EQ(StringIn(1, CFSTR("FILENAME")), "Note01");
    EXPECT_EQ(StringIn(2, CFSTR("FILENAME")), "Note02");
    EXPECT_EQ(StringIn(2, CFSTR("NAME")), "Note");
    EXPECT_EQ(FilesIn("Note02"), (std::set<std::string>{"PICT", "TEXT", "utxt"}));

    // A suffix freed by a deleted clip is taken again first.
    fs::remove_all(ClipsFolder() + "/Note01");
    Add("Note");
    EXPECT_EQ(StringIn(4, CFSTR("FILENAME")), "Note01");
}

TEST_F(ClipCreationTest, NullNameMakesTheUntitledFolder)
{
    AddNewClip(mInstance, nullptr, nullptr, mFlavors);
    AddNewClip(mInstance, nullptr, nullptr, mFlavors);
    EXPECT_EQ(Packages(), (std::set<std::string>{"Untitled", "Untitled01"}));
    ASSERT_EQ(RecordCount(), 2);
    EXPECT_EQ(StringIn(0, CFSTR("NAME")), "Untitled") << "a record without a name could never be deleted";
}

TEST_F(ClipCreationTest, LongNamesKeep255UnitsWithTheSuffixAtTheEnd)
{
    const std::string n253(253, 'a');
    Add(n253);
    Add(n253);
    EXPECT_EQ(StringIn(1, CFSTR("FILENAME")), n253 + "01");

    const std::string n254(254, 'b');
    Add(n254);
    Add(n254);
    EXPECT_EQ(StringIn(3, CFSTR("FILENAME")), std::string(253, 'b') + "01");

    const std::string n255 = std::string(254, 'c') + "d";
    Add(n255);
    Add(n255);
    Add(n255);
    EXPECT_EQ(StringIn(4, CFSTR("FILENAME")), n255);
    EXPECT_EQ(StringIn(5, CFSTR("FILENAME")), std::string(253, 'c') + "01");
    EXPECT_EQ(StringIn(6, CFSTR("FILENAME")), std::string(253, 'c') + "02");

    const std::string n300(300, 'e');
    Add(n300);
    Add(n300);
    EXPECT_EQ(StringIn(7, CFSTR("FILENAME")), std::string(255, 'e'));
    EXPECT_EQ(StringIn(8, CFSTR("FILENAME")), std::string(253, 'e') + "01");
    EXPECT_EQ(StringIn(8, CFSTR("NAME")), n300) << "the record keeps the whole name";
    EXPECT_TRUE(mUser.alerts.empty());
}

TEST_F(ClipCreationTest, LongNamesAreNeverCutInsideACharacter)
{
    // The 255-unit cut would fall between the two halves of the last character.
    const std::u16string name = std::u16string(254, u'a') + u"\U0001F600";
    CFObj<CFStringRef> clipName(MakeUnits(name));
    AddNewClip(mInstance, clipName.Get(), nullptr, mFlavors);
    AddNewClip(mInstance, clipName.Get(), nullptr, mFlavors);
    ASSERT_EQ(RecordCount(), 2) << "both clips stored";
    EXPECT_EQ(Units(mInstance->implData.clipList->GetItemStringForKey(0, CFSTR("FILENAME"))), name.substr(0, 254));
    EXPECT_EQ(Units(mInstance->implData.clipList->GetItemStringForKey(1, CFSTR("FILENAME"))),
              name.substr(0, 253) + u"01");
    EXPECT_EQ(Units(mInstance->implData.clipList->GetItemStringForKey(1, CFSTR("NAME"))), name);
    EXPECT_TRUE(mUser.alerts.empty());
}

TEST_F(ClipCreationTest, NamesTooLongForTheVolumeGetAShorterFolder)
{
    // 128 Cyrillic letters: 128 units, but more bytes than a name on this volume may hold.
    const std::u16string cyrillic(128, u'\u0416');
    CFObj<CFStringRef> name(MakeUnits(cyrillic));
    AddNewClip(mInstance, name.Get(), nullptr, mFlavors);
    AddNewClip(mInstance, name.Get(), nullptr, mFlavors);
    // Ideographs, each three bytes when encoded.
    const std::u16string ideographs(100, u'\u6587');
    CFObj<CFStringRef> other(MakeUnits(ideographs));
    AddNewClip(mInstance, other.Get(), nullptr, mFlavors);

    ASSERT_EQ(RecordCount(), 3);
    EXPECT_TRUE(mUser.alerts.empty());
    EXPECT_EQ(Units(mInstance->implData.clipList->GetItemStringForKey(0, CFSTR("FILENAME"))), cyrillic.substr(0, 127));
    EXPECT_EQ(Units(mInstance->implData.clipList->GetItemStringForKey(1, CFSTR("FILENAME"))),
              cyrillic.substr(0, 126) + u"01");
    EXPECT_EQ(Units(mInstance->implData.clipList->GetItemStringForKey(1, CFSTR("NAME"))), cyrillic);
    EXPECT_EQ(Units(mInstance->implData.clipList->GetItemStringForKey(2, CFSTR("FILENAME"))), ideographs.substr(0, 85));
    EXPECT_EQ(Packages().size(), 3u);
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
    EXPECT_EQ(StringIn(0, CFSTR("FILENAME")), "Too big");
}

TEST_F(ClipCreationTest, ExceptionAfterThePackageWasWrittenLeavesNoPackage)
{
    delete mInstance->implData.clipList;
    mInstance->implData.clipList = new FailingClipList();
    EXPECT_THROW(Add("Lost"), SInt32);
    EXPECT_TRUE(Packages().empty());
    EXPECT_TRUE(mUser.alerts.empty()) << "the command's barrier ends it quietly";
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

TEST(DisplayAlert, EmptyMessageShowsNothingAndCountsAsConfirmed)
{
    ScriptedUser user;
    EXPECT_TRUE(DisplayAlert(nullptr, nullptr, nullptr, kAlertStopAlert));
    EXPECT_TRUE(DisplayAlert(CFSTR(""), CFSTR("Go"), CFSTR("Stay"), kAlertNoteAlert));
    EXPECT_TRUE(user.alerts.empty());
}

TEST(DisplayAlert, AnswersWhetherTheDefaultButtonWasPressed)
{
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
}

TEST(DisplayAlert, NobodyToAnswerCountsAsNotConfirmed)
{
    EXPECT_FALSE(DisplayAlert(CFSTR("Anyone there?"), nullptr, nullptr, kAlertStopAlert));
}

}  // namespace
