// File-system URLs: normalisation, identity (equality and hash on the path and the directory
// flag), the path-component operations a submenu tree relies on, and the URL text.
#include "platform/bundle/BundleTestSupport.h"

#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstring>

namespace {

using bundletest::LastComponentOf;
using bundletest::MakeString;
using bundletest::MakeURL;
using bundletest::Owned;
using bundletest::PathOf;
using bundletest::TakeText;
using bundletest::TextOf;

TEST(URLNormalisation, RepeatedSlashesDotComponentsAndTrailingSlashDoNotChangeIdentity)
{
    Owned<CFURLRef> messy(MakeURL("//Stashwell///Work/./Deep/", true));
    Owned<CFURLRef> tidy(MakeURL("/Stashwell/Work/Deep", true));
    ASSERT_NE(messy.get(), nullptr);
    ASSERT_NE(tidy.get(), nullptr);
    EXPECT_TRUE(CFEqual(messy, tidy));
    EXPECT_EQ(CFHash(messy), CFHash(tidy));
    EXPECT_EQ(PathOf(messy), "/Stashwell/Work/Deep");
    EXPECT_STREQ(TextOf(CFURLGetString(messy)).c_str(), "file:///Stashwell/Work/Deep/");
}

TEST(URLNormalisation, DirectoryFlagAndLetterCaseMakeDifferentURLs)
{
    Owned<CFURLRef> folder(MakeURL("/Stashwell/Work", true));
    Owned<CFURLRef> file(MakeURL("/Stashwell/Work", false));
    Owned<CFURLRef> lower(MakeURL("/stashwell/work", true));
    EXPECT_FALSE(CFEqual(folder, file));
    EXPECT_FALSE(CFEqual(folder, lower));
    EXPECT_TRUE(CFURLHasDirectoryPath(folder));
    EXPECT_FALSE(CFURLHasDirectoryPath(file));
    EXPECT_STREQ(TextOf(CFURLGetString(file)).c_str(), "file:///Stashwell/Work");
}

TEST(URLNormalisation, DotDotIsKeptAsAComponentBecauseAURLDoesNotWalkTheDisk)
{
    Owned<CFURLRef> up(MakeURL("/a/../b", true));
    Owned<CFURLRef> direct(MakeURL("/b", true));
    EXPECT_FALSE(CFEqual(up, direct));
    EXPECT_EQ(PathOf(up), "/a/../b");
    Owned<CFURLRef> endsInDotDot(MakeURL("/a/..", true));
    EXPECT_EQ(LastComponentOf(endsInDotDot), "..");
}

TEST(URLNormalisation, RelativePathsAreTakenFromTheCurrentDirectory)
{
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    Owned<CFURLRef> relative(MakeURL("sub/./file.txt", false));
    ASSERT_NE(relative.get(), nullptr);
    std::string expected = std::string(cwd) + "/sub/file.txt";
    if (std::strcmp(cwd, "/") == 0) {
        expected = "/sub/file.txt";
    }
    EXPECT_EQ(PathOf(relative), expected);
    Owned<CFURLRef> dot(MakeURL(".", true));
    EXPECT_EQ(PathOf(dot), std::string(cwd));
}

TEST(URLNormalisation, RefusedPaths)
{
    Owned<CFURLRef> empty(MakeURL("", true));
    EXPECT_EQ(empty.get(), nullptr);
    EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, nullptr, kCFURLPOSIXPathStyle, false), nullptr);
    // A NUL inside a path would silently cut it short at every system call.
    const UInt8 withNul[] = {'/', 'a', 0, 'b'};
    EXPECT_EQ(CFURLCreateFromFileSystemRepresentation(nullptr, withNul, sizeof withNul, false), nullptr);
    EXPECT_EQ(CFURLCreateFromFileSystemRepresentation(nullptr, withNul, 0, false), nullptr);
}

TEST(URLRoot, RootIsAFolderWithAnEmptyLastComponentAndDotDotAsItsParent)
{
    Owned<CFURLRef> root(MakeURL("/", false));
    Owned<CFURLRef> slashes(MakeURL("///", true));
    EXPECT_TRUE(CFURLHasDirectoryPath(root));
    EXPECT_TRUE(CFEqual(root, slashes));
    EXPECT_EQ(PathOf(root), "/");
    EXPECT_EQ(LastComponentOf(root), "");
    EXPECT_STREQ(TextOf(CFURLGetString(root)).c_str(), "file:///");

    Owned<CFURLRef> parent(CFURLCreateCopyDeletingLastPathComponent(nullptr, root));
    ASSERT_NE(parent.get(), nullptr);
    EXPECT_EQ(PathOf(parent), "/..");
    EXPECT_TRUE(CFURLHasDirectoryPath(parent));
    EXPECT_FALSE(CFEqual(parent, root));
}

TEST(URLComponents, DeletingComponentsWalksUpToTheRootAsFolders)
{
    Owned<CFURLRef> deep(MakeURL("/Stashwell/Work/Greeting", false));
    Owned<CFURLRef> work(CFURLCreateCopyDeletingLastPathComponent(nullptr, deep));
    Owned<CFURLRef> stashwell(CFURLCreateCopyDeletingLastPathComponent(nullptr, work));
    Owned<CFURLRef> root(CFURLCreateCopyDeletingLastPathComponent(nullptr, stashwell));
    Owned<CFURLRef> expectedWork(MakeURL("/Stashwell/Work/", true));
    Owned<CFURLRef> expectedRoot(MakeURL("/", true));
    EXPECT_TRUE(CFEqual(work, expectedWork));
    EXPECT_TRUE(CFURLHasDirectoryPath(work));
    EXPECT_EQ(LastComponentOf(work), "Work");
    EXPECT_EQ(LastComponentOf(stashwell), "Stashwell");
    EXPECT_TRUE(CFEqual(root, expectedRoot));
}

TEST(URLComponents, AppendingAddsComponentsAndNormalises)
{
    Owned<CFURLRef> base(MakeURL("/Stashwell", true));
    Owned<CFStringRef> work(MakeString("Work"));
    Owned<CFStringRef> nested(MakeString("A//B/"));
    Owned<CFStringRef> dotdot(MakeString(".."));
    Owned<CFStringRef> empty(MakeString(""));

    Owned<CFURLRef> one(CFURLCreateCopyAppendingPathComponent(nullptr, base, work, true));
    Owned<CFURLRef> expectedOne(MakeURL("/Stashwell/Work", true));
    EXPECT_TRUE(CFEqual(one, expectedOne));

    Owned<CFURLRef> several(CFURLCreateCopyAppendingPathComponent(nullptr, base, nested, false));
    EXPECT_EQ(PathOf(several), "/Stashwell/A/B");
    EXPECT_EQ(LastComponentOf(several), "B");
    EXPECT_FALSE(CFURLHasDirectoryPath(several));

    Owned<CFURLRef> up(CFURLCreateCopyAppendingPathComponent(nullptr, base, dotdot, true));
    EXPECT_EQ(PathOf(up), "/Stashwell/..");

    Owned<CFURLRef> same(CFURLCreateCopyAppendingPathComponent(nullptr, base, empty, true));
    EXPECT_TRUE(CFEqual(same, base));
    EXPECT_EQ(CFURLCreateCopyAppendingPathComponent(nullptr, base, nullptr, true), nullptr);
}

TEST(URLExtensions, ExtensionOfTheLastComponentOnly)
{
    Owned<CFURLRef> plugin(MakeURL("/x.y/Stashwell.plugin", true));
    EXPECT_EQ(TakeText(CFURLCopyPathExtension(plugin)), "plugin");
    Owned<CFURLRef> noExtension(MakeURL("/x.y/Stashwell", false));
    EXPECT_EQ(CFURLCopyPathExtension(noExtension), nullptr);
    Owned<CFURLRef> hidden(MakeURL("/home/.profile", false));
    EXPECT_EQ(CFURLCopyPathExtension(hidden), nullptr);
    Owned<CFURLRef> doubled(MakeURL("/a/archive.tar.gz", false));
    EXPECT_EQ(TakeText(CFURLCopyPathExtension(doubled)), "gz");

    Owned<CFURLRef> stripped(CFURLCreateCopyDeletingPathExtension(nullptr, doubled));
    EXPECT_EQ(PathOf(stripped), "/a/archive.tar");
    Owned<CFURLRef> unchanged(CFURLCreateCopyDeletingPathExtension(nullptr, noExtension));
    EXPECT_TRUE(CFEqual(unchanged, noExtension));

    Owned<CFStringRef> strings(MakeString("strings"));
    Owned<CFURLRef> table(CFURLCreateCopyAppendingPathExtension(nullptr, noExtension, strings));
    EXPECT_EQ(PathOf(table), "/x.y/Stashwell.strings");
    Owned<CFStringRef> slash(MakeString("a/b"));
    EXPECT_EQ(CFURLCreateCopyAppendingPathExtension(nullptr, noExtension, slash), nullptr);
    Owned<CFURLRef> root(MakeURL("/", true));
    EXPECT_EQ(CFURLCreateCopyAppendingPathExtension(nullptr, root, strings), nullptr);
}

TEST(URLText, FileSystemRepresentationNeedsRoomForTheTerminator)
{
    Owned<CFURLRef> url(MakeURL("/tmp/abc/", true));
    UInt8 exact[9];
    EXPECT_TRUE(CFURLGetFileSystemRepresentation(url, true, exact, sizeof exact));
    EXPECT_STREQ(reinterpret_cast<const char*>(exact), "/tmp/abc");
    UInt8 small[8];
    EXPECT_FALSE(CFURLGetFileSystemRepresentation(url, true, small, sizeof small));

    const char* raw = "/tmp//abc";
    Owned<CFURLRef> fromBytes(CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(raw), static_cast<CFIndex>(std::strlen(raw)), true));
    EXPECT_TRUE(CFEqual(fromBytes, url));
}

TEST(URLText, StringIsPercentEncodedAndBorrowed)
{
    Owned<CFURLRef> url(MakeURL("/a b/100%/caf\xC3\xA9?#", false));
    CFStringRef first = CFURLGetString(url);
    EXPECT_EQ(TextOf(first), "file:///a%20b/100%25/caf%C3%A9%3F%23");
    EXPECT_EQ(CFURLGetString(url), first);
    Owned<CFStringRef> description(CFCopyDescription(url));
    EXPECT_EQ(TextOf(description), TextOf(first));
    // The file-system path keeps the characters as they are.
    EXPECT_EQ(PathOf(url), "/a b/100%/caf\xC3\xA9?#");
}

TEST(URLText, URLsWorkAsDictionaryKeys)
{
    Owned<CFMutableDictionaryRef> nodes(
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    Owned<CFURLRef> key(MakeURL("/Stashwell/Work", true));
    Owned<CFStringRef> value(MakeString("node"));
    CFDictionarySetValue(nodes, key, value);
    Owned<CFURLRef> sameKey(MakeURL("/Stashwell//Work/", true));
    Owned<CFURLRef> fileKey(MakeURL("/Stashwell/Work", false));
    EXPECT_EQ(CFDictionaryGetValue(nodes, sameKey), value.get());
    EXPECT_EQ(CFDictionaryGetValue(nodes, fileKey), nullptr);
}

}  // namespace
