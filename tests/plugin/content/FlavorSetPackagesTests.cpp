// Clip packages: the clips folder, writing a set as flavor files and reading it back, names taken
// from clip records (which any process of the user can write), and a disk that fills up while a
// clip is written. What deleting a package removes is the file deletion tests' concern.
#include "content/FlavorSet.h"
#include "support/CFObj.h"

#include "FlavorSetTesting.h"
#include "platform/files/FilesTestSupport.h"
#include "support/TempDir.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using flavortesting::BytesOf;
using flavortesting::Contents;
using flavortesting::ContentsOf;
using flavortesting::ScopedWriteBudget;
using flavortesting::TestFlavorSet;
using flavortesting::UnitsOf;
using filestest::PathOf;
using testsupport::ReadFile;
using texttest::CreateString;
using testsupport::WriteFile;

// An array of type strings as a clip record holds it; an empty element stands for a number, which
// a damaged record may hold instead of a string.
CFArrayRef CreateTypeStrings(const std::vector<std::u16string>& names)
{
    CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (const std::u16string& name : names) {
        if (name.empty()) {
            int value = 7;
            CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &value));
            CFArrayAppendValue(array, number);
        } else {
            CFObj<CFStringRef> string(CreateString(name));
            CFArrayAppendValue(array, string);
        }
    }
    return array;
}

class FlavorSetPackagesTest : public testing::Test {
protected:
    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }

    // A new, empty clip package of that name in the clips folder.
    FSRef MakePackage(const std::u16string& name)
    {
        FSRef clips;
        FSRef package = {};
        EXPECT_EQ(FlavorSet::GetStashwellFolderRef(&clips), noErr);
        EXPECT_EQ(FSCreateDirectoryUnicode(&clips, name.size(), reinterpret_cast<const UniChar*>(name.data()), 0,
                                           nullptr, &package, nullptr, nullptr),
                  noErr);
        return package;
    }

    // A folder beside the data folder, with files that nothing here may read or delete.
    std::string MakeOutsideFolder()
    {
        std::string outside = mStorage.root() + "/outside";
        fs::create_directories(outside);
        WriteFile(outside + "/TEXT", "secret");
        WriteFile(outside + "/keep", "keep");
        return outside;
    }

    testsupport::ScopedStorageEnvironment mStorage;
};

// Storing and reading back whole sets is what every add and paste of the command tests does; here
// what none does: a file left from before, and one flavor read alone.
TEST_F(FlavorSetPackagesTest, AnOlderFileIsReplacedAndOneFlavorIsReadAlone)
{
    TestFlavorSet out{{'TEXT', "hello"}, {'snd ', "beep"}};
    FSRef package = MakePackage(u"Greeting");
    WriteFile(ClipsFolder() + "/Greeting/TEXT", "an older, longer text");
    ASSERT_EQ(out.SaveToFiles(&package), noErr);
    EXPECT_EQ(ReadFile(ClipsFolder() + "/Greeting/TEXT"), "hello");

    CFObj<CFStringRef> name(CreateString(u"Greeting"));
    CFObj<CFStringRef> flavorName(CreateString(u"snd "));
    CFObj<CFDataRef> sound(FlavorSet::ReadOneFlavorFromFile(name, flavorName));
    ASSERT_NE(sound.Get(), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(sound)), 4), "beep");
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromFile(nullptr, flavorName), nullptr);
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromFile(name, nullptr), nullptr);
    CFObj<CFStringRef> missing(CreateString(u"moov"));
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromFile(name, missing), nullptr);
}

TEST_F(FlavorSetPackagesTest, TheReaderTakesWhatTheListNamesAndSkipsTheRest)
{
    FSRef package = MakePackage(u"Mixed");
    const std::string folder = ClipsFolder() + "/Mixed";
    WriteFile(folder + "/TEXT", "text");
    WriteFile(folder + "/PICT", "");
    WriteFile(folder + "/moov", "not listed");
    WriteFile(folder + "/ab", "short name");
    WriteFile(folder + "/longer", "long name");
    // Missing file, empty file, a number, a short name (missing bytes are 0) and a name that only
    // its first four units make a type of.
    CFObj<CFArrayRef> typeStrings(CreateTypeStrings({u"utxt", u"PICT", u"", u"TEXT", u"ab", u"longer"}));
    TestFlavorSet set;
    set.ReadFromFiles(&package, typeStrings);
    EXPECT_EQ(ContentsOf(set), (Contents{{'TEXT', "text"}, {0x61620000, "short name"},
                                                             {'long', "long name"}}));

    TestFlavorSet none;
    none.ReadFromFiles(&package, nullptr);
    EXPECT_FALSE(none.AnyContentAvailable());
}

TEST_F(FlavorSetPackagesTest, LongNamesAndHugeFilesAreHandledSafely)
{
    FSRef package = MakePackage(u"Huge");
    const std::string folder = ClipsFolder() + "/Huge";
    // An element longer than a name can be is never cut to name another file.
    WriteFile(folder + "/" + std::string(255, 'f'), "long");
    // Files far larger than any flavor (sparse, so they take no room) are not even allocated for.
    WriteFile(folder + "/four", "");
    WriteFile(folder + "/more", "");
    fs::resize_file(folder + "/four", 4ull << 30);
    fs::resize_file(folder + "/more", 3ull << 30);
    WriteFile(folder + "/TEXT", "small");
    CFObj<CFArrayRef> typeStrings(CreateTypeStrings({std::u16string(300, u'f'), u"four", u"more", u"TEXT"}));
    TestFlavorSet set;
    set.ReadFromFiles(&package, typeStrings);
    EXPECT_EQ(ContentsOf(set), (Contents{{'TEXT', "small"}}));

    CFObj<CFStringRef> name(CreateString(u"Huge"));
    CFObj<CFStringRef> four(CreateString(u"four"));
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromFile(name, four), nullptr);
    CFObj<CFStringRef> tooLong(CreateString(std::u16string(300, u'f')));
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromFile(name, tooLong), nullptr);
}

TEST_F(FlavorSetPackagesTest, ATypeWithAHighByteIsStoredButNotFoundAgain)
{
    // 0xA5 is stored as the code point U+00A5 (the yen sign) but its type string is the Mac OS
    // Roman bullet U+2022, which names no file.
    TestFlavorSet out{{0xA5787978, "high"}, {'TEXT', "low"}};
    FSRef package = MakePackage(u"High");
    ASSERT_EQ(out.SaveToFiles(&package), noErr);
    EXPECT_EQ(ReadFile(ClipsFolder() + "/High/\u00A5xyx"), "high");
    CFObj<CFMutableArrayRef> typeStrings(out.CreateFlavorTypeStringsArray());
    ASSERT_EQ(CFArrayGetCount(typeStrings), 2);
    EXPECT_EQ(UnitsOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(typeStrings, 1))), u"\u2022xyx");
    TestFlavorSet in;
    in.ReadFromFiles(&package, typeStrings);
    EXPECT_EQ(ContentsOf(in), (Contents{{'TEXT', "low"}}));
}

// A name longer than any folder's is refused, never cut to name another clip's package; a NULL
// name means "Untitled".
TEST_F(FlavorSetPackagesTest, OverlongPackageNamesAreRefusedAndNullMeansUntitled)
{
    MakePackage(std::u16string(255, u'n'));
    CFObj<CFStringRef> longName(CreateString(std::u16string(300, u'n')));
    FSRef package;
    EXPECT_EQ(FlavorSet::GetClipPackageRef(longName, &package), bdNamErr);

    EXPECT_EQ(FlavorSet::GetClipPackageRef(nullptr, &package), fnfErr);
    EXPECT_FALSE(fs::exists(ClipsFolder() + "/Untitled"));
    MakePackage(u"Untitled");
    ASSERT_EQ(FlavorSet::GetClipPackageRef(nullptr, &package), noErr);
    EXPECT_EQ(PathOf(package), ClipsFolder() + "/Untitled");
}

TEST_F(FlavorSetPackagesTest, NamesFromRecordsNeverReachOutsideTheClipsFolder)
{
    const std::string outside = MakeOutsideFolder();
    FSRef clips;
    ASSERT_EQ(FlavorSet::GetStashwellFolderRef(&clips), noErr);
    fs::create_symlink(outside, ClipsFolder() + "/Linked");
    fs::create_symlink(mStorage.root(), ClipsFolder() + "/Up");

    // Names that are no single item are refused without a lookup.
    for (const std::u16string& name : {std::u16string(u""), std::u16string(u"."), std::u16string(u".."),
                                       std::u16string(u"a\xD800"), std::u16string(u"\xDC00" u"b"), std::u16string(u"a:b"),
                                       std::u16string(u"a\0b", 3), std::u16string(u"Stashwell.keychain"),
                                       std::u16string(u".stashwell-lock")}) {
        CFObj<CFStringRef> string(CreateString(name));
        FSRef package;
        EXPECT_EQ(FlavorSet::GetClipPackageRef(string, &package), bdNamErr);
    }
    // Slashes are part of the name: these are packages that do not exist.
    for (const std::u16string& name : {std::u16string(u"../.."), std::u16string(u"a/../../b"), std::u16string(u"/etc"),
                                       std::u16string(u"../outside")}) {
        CFObj<CFStringRef> string(CreateString(name));
        FSRef package;
        EXPECT_EQ(FlavorSet::GetClipPackageRef(string, &package), fnfErr);
    }

    // A package named "../.." is one item in the clips folder, and deleting it deletes only it.
    MakePackage(u"../..");
    CFObj<CFStringRef> dotsName(CreateString(u"../.."));
    FSRef found;
    ASSERT_EQ(FlavorSet::GetClipPackageRef(dotsName, &found), noErr);
    EXPECT_EQ(PathOf(found), ClipsFolder() + "/..:..");
    CFObj<CFArrayRef> escaping(CreateTypeStrings({u"../outside/TEXT", u"../../outside/keep", u"..", u"/etc/passwd"}));
    TestFlavorSet fromDots;
    fromDots.ReadFromFiles(&found, escaping);
    EXPECT_FALSE(fromDots.AnyContentAvailable());
    EXPECT_EQ(FlavorSet::DeleteFiles(&found), noErr);
    EXPECT_FALSE(fs::exists(ClipsFolder() + "/..:.."));

    // Packages that are links to folders outside: nothing is read through them, and deleting one
    // deletes the link.
    CFObj<CFArrayRef> typeStrings(CreateTypeStrings({u"TEXT", u"keep"}));
    for (const char* link : {"Linked", "Up"}) {
        SCOPED_TRACE(link);
        CFObj<CFStringRef> string(CreateString(std::string(link)));
        FSRef linkRef;
        // The link itself is found, as a clip record's package would be.
        ASSERT_EQ(FlavorSet::GetClipPackageRef(string, &linkRef), noErr);
        CFObj<CFStringRef> text(CreateString(u"TEXT"));
        EXPECT_EQ(FlavorSet::ReadOneFlavorFromFile(string, text), nullptr);
        TestFlavorSet set;
        set.ReadFromFiles(&linkRef, typeStrings);
        EXPECT_FALSE(set.AnyContentAvailable());
        EXPECT_EQ(FlavorSet::DeleteFiles(&linkRef), noErr);
        EXPECT_FALSE(fs::exists(fs::symlink_status(ClipsFolder() + "/" + link)));
    }
    EXPECT_EQ(ReadFile(outside + "/TEXT"), "secret");
    EXPECT_EQ(ReadFile(outside + "/keep"), "keep");
    EXPECT_TRUE(fs::is_directory(mStorage.DataHome()));
    EXPECT_TRUE(fs::is_directory(ClipsFolder()));
}

// Deleting such a package deletes the links, not what they point to: the file deletion tests.
TEST_F(FlavorSetPackagesTest, LinksInsideAPackageAreNotRead)
{
    const std::string outside = MakeOutsideFolder();
    FSRef package = MakePackage(u"Trap");
    const std::string folder = ClipsFolder() + "/Trap";
    fs::create_symlink(outside + "/TEXT", folder + "/TEXT");
    fs::create_symlink(outside, folder + "/dir ");
    CFObj<CFArrayRef> typeStrings(CreateTypeStrings({u"TEXT"}));
    TestFlavorSet set;
    set.ReadFromFiles(&package, typeStrings);
    EXPECT_EQ(BytesOf(set, 'TEXT'), "<none>");
    CFObj<CFStringRef> name(CreateString(u"Trap"));
    CFObj<CFStringRef> text(CreateString(u"TEXT"));
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromFile(name, text), nullptr);
}

TEST_F(FlavorSetPackagesTest, AFullDiskFailsTheWriteAndLeavesNoShortFile)
{
    TestFlavorSet out{{'PICT', "0123456789"}, {'TEXT', "abc"}, {'utxt', BytesOf(u"\uFEFFabc")}};
    const std::string folder = ClipsFolder() + "/Full";
    FSRef package = MakePackage(u"Full");
    {
        // The picture fits, the text does not, the Unicode text is never tried.
        ScopedWriteBudget budget(12);
        EXPECT_EQ(out.SaveToFiles(&package), dskFulErr);
    }
    EXPECT_EQ(ReadFile(folder + "/PICT"), "0123456789");
    EXPECT_FALSE(fs::exists(folder + "/TEXT"));
    EXPECT_FALSE(fs::exists(folder + "/utxt"));
    {
        ScopedWriteBudget budget(0);
        FSRef other = MakePackage(u"Nothing");
        EXPECT_EQ(out.SaveToFiles(&other), dskFulErr);
        EXPECT_TRUE(fs::is_empty(ClipsFolder() + "/Nothing"));
    }
    EXPECT_EQ(out.SaveToFiles(&package), noErr);
    EXPECT_EQ(ReadFile(folder + "/TEXT"), "abc");
    EXPECT_EQ(ReadFile(folder + "/utxt"), BytesOf(u"\uFEFFabc"));
}

TEST_F(FlavorSetPackagesTest, AFlavorFileThatCannotBeReplacedFailsTheWrite)
{
    TestFlavorSet out{{'PICT', "picture"}, {'TEXT', "text"}};
    FSRef package = MakePackage(u"Blocked");
    const std::string folder = ClipsFolder() + "/Blocked";
    // A folder where the text file belongs, with something in it, cannot be deleted as a file.
    fs::create_directories(folder + "/TEXT");
    WriteFile(folder + "/TEXT/inside", "x");
    EXPECT_NE(out.SaveToFiles(&package), noErr);
    EXPECT_EQ(ReadFile(folder + "/TEXT/inside"), "x");

    // A package that is a file: nothing can be created in it.
    FSRef clips;
    ASSERT_EQ(FlavorSet::GetStashwellFolderRef(&clips), noErr);
    WriteFile(ClipsFolder() + "/File", "");
    FSRef file;
    const UniChar fileName[] = {'F', 'i', 'l', 'e'};
    ASSERT_EQ(FSMakeFSRefUnicode(&clips, 4, fileName, 0, &file), noErr);
    EXPECT_NE(out.SaveToFiles(&file), noErr);
    EXPECT_EQ(ReadFile(ClipsFolder() + "/File"), "");
}

TEST(FlavorSetFileNames, FlavorTypesAndFileNamesConvertBothWays)
{
    HFSUniStr255 name = {};
    FlavorSet::FourCharCodeToFileName('snd ', &name);
    EXPECT_EQ(name.length, 4);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name.unicode), 4), u"snd ");
    FlavorSet::FourCharCodeToFileName(0xC4000180, &name);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name.unicode), 4), std::u16string(u"\u00C4\0\u0001\u0080", 4));

    UInt32 type = 1;
    FlavorSet::FileNameToFourCharCode(&name, &type);
    EXPECT_EQ(type, 0xC4000180u);
    HFSUniStr255 shortName = {2, {0x1234, u'b'}};
    FlavorSet::FileNameToFourCharCode(&shortName, &type);
    EXPECT_EQ(type, 0x34620000u);
}

}  // namespace
