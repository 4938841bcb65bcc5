// Names are one path component: '/' is kept on disk as ':' and read back as '/', and nothing a
// name holds can lead outside its folder.
#include "FilesTestSupport.h"

namespace filestest {
namespace {

using FileNameTest = FilesTest;

TEST_F(FileNameTest, SlashIsStoredAsColonAndReadBackAsSlash)
{
    FSRef file;
    ASSERT_EQ(noErr, CreateFile(mRoot, U16("a/b"), &file));
    EXPECT_TRUE(Exists(mDir.Child("a:b")));
    EXPECT_FALSE(Exists(mDir.Child("a")));

    HFSUniStr255 name{};
    ASSERT_EQ(noErr, FSGetCatalogInfo(&file, kFSCatInfoNone, nullptr, &name, nullptr, nullptr));
    EXPECT_EQ(U16("a/b"), NameOf(name));

    // An item another program made with ':' in its name is found and shown with '/'.
    testsupport::WriteFile(mDir.Child("x:y"), "z");
    FSRef other;
    ASSERT_EQ(noErr, Lookup(mRoot, U16("x/y"), &other));
    ASSERT_EQ(noErr, FSGetCatalogInfo(&other, kFSCatInfoNone, nullptr, &name, nullptr, nullptr));
    EXPECT_EQ(U16("x/y"), NameOf(name));
}

TEST_F(FileNameTest, NamesThatAreNotOneComponentAreRefused)
{
    const std::u16string refused[] = {u"", u".", u"..", std::u16string(u"a\0b", 3), u"a:b"};
    for (const std::u16string& name : refused) {
        FSRef ref;
        EXPECT_EQ(bdNamErr, Lookup(mRoot, name, &ref)) << name.size();
        EXPECT_EQ(bdNamErr, CreateFile(mRoot, name, &ref)) << name.size();
        EXPECT_EQ(bdNamErr, CreateFolder(mRoot, name, &ref)) << name.size();
    }
    // "../x" is one component named "..:x", not a way up.
    FSRef file;
    ASSERT_EQ(noErr, CreateFile(mRoot, U16("../x"), &file));
    EXPECT_TRUE(Exists(mDir.Child("..:x")));
    EXPECT_EQ(paramErr, FSMakeFSRefUnicode(&mRoot, 3, nullptr, 0, &file));
}

TEST_F(FileNameTest, LengthIsCountedInUnitsUpTo255AndSurrogatesMustBePaired)
{
    FSRef ref;
    EXPECT_EQ(noErr, CreateFile(mRoot, std::u16string(255, u'n'), &ref));
    EXPECT_EQ(errFSNameTooLong, CreateFile(mRoot, std::u16string(256, u'n'), &ref));
    // 255 units that need more than 255 bytes on disk do not fit the file system either.
    EXPECT_EQ(errFSNameTooLong, CreateFile(mRoot, std::u16string(255, u'\u00e9'), &ref));

    EXPECT_EQ(bdNamErr, CreateFile(mRoot, u"a\xD800", &ref));
    EXPECT_EQ(bdNamErr, CreateFile(mRoot, u"\xDC00z", &ref));

    const std::u16string clef = u"\xD834\xDD1E clef \u00c4";
    ASSERT_EQ(noErr, CreateFile(mRoot, clef, &ref));
    EXPECT_TRUE(Exists(mDir.Child("\xF0\x9D\x84\x9E clef \xC3\x84")));
    HFSUniStr255 name{};
    ASSERT_EQ(noErr, FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, &name, nullptr, nullptr));
    EXPECT_EQ(clef, NameOf(name));
    FSRef again;
    EXPECT_EQ(noErr, Lookup(mRoot, clef, &again));
}

}  // namespace
}  // namespace filestest
