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
using bundletest::PathOf;
using bundletest::TextOf;
using platform::AdoptCF;

TEST(URLNormalisation, RelativePathsAreTakenFromTheCurrentDirectoryAndEmptyOrCutPathsRefused)
{
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    auto relative = AdoptCF<CFURLRef>(MakeURL("sub/./file.txt", false));
    ASSERT_NE(relative.Get(), nullptr);
    std::string expected = std::string(cwd) + "/sub/file.txt";
    if (std::strcmp(cwd, "/") == 0) {
        expected = "/sub/file.txt";
    }
    EXPECT_EQ(PathOf(relative.Get()), expected);
    auto dot = AdoptCF<CFURLRef>(MakeURL(".", true));
    EXPECT_EQ(PathOf(dot.Get()), std::string(cwd));

    auto empty = AdoptCF<CFURLRef>(MakeURL("", true));
    EXPECT_EQ(empty.Get(), nullptr);
    EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, nullptr, kCFURLPOSIXPathStyle, false), nullptr);
    // A NUL inside a path would silently cut it short at every system call.
    const UInt8 withNul[] = {'/', 'a', 0, 'b'};
    EXPECT_EQ(CFURLCreateFromFileSystemRepresentation(nullptr, withNul, sizeof withNul, false), nullptr);
    EXPECT_EQ(CFURLCreateFromFileSystemRepresentation(nullptr, withNul, 0, false), nullptr);
}

TEST(URLRoot, RootIsAFolderWithAnEmptyLastComponentAndDotDotAsItsParent)
{
    auto root = AdoptCF<CFURLRef>(MakeURL("/", false));
    auto slashes = AdoptCF<CFURLRef>(MakeURL("///", true));
    EXPECT_TRUE(CFURLHasDirectoryPath(root.Get()));
    EXPECT_TRUE(CFEqual(root.Get(), slashes.Get()));
    EXPECT_EQ(PathOf(root.Get()), "/");
    EXPECT_EQ(LastComponentOf(root.Get()), "");
    EXPECT_STREQ(TextOf(CFURLGetString(root.Get())).c_str(), "file:///");

    auto parent = AdoptCF<CFURLRef>(CFURLCreateCopyDeletingLastPathComponent(nullptr, root.Get()));
    ASSERT_NE(parent.Get(), nullptr);
    EXPECT_EQ(PathOf(parent.Get()), "/..");
    EXPECT_TRUE(CFURLHasDirectoryPath(parent.Get()));
    EXPECT_FALSE(CFEqual(parent.Get(), root.Get()));
}

TEST(URLComponents, AppendingAddsComponentsAndNormalises)
{
    auto base = AdoptCF<CFURLRef>(MakeURL("/Stashwell", true));
    auto work = AdoptCF<CFStringRef>(MakeString("Work"));
    auto nested = AdoptCF<CFStringRef>(MakeString("A//B/"));
    auto dotdot = AdoptCF<CFStringRef>(MakeString(".."));
    auto empty = AdoptCF<CFStringRef>(MakeString(""));

    auto one = AdoptCF<CFURLRef>(CFURLCreateCopyAppendingPathComponent(nullptr, base.Get(), work.Get(), true));
    auto expectedOne = AdoptCF<CFURLRef>(MakeURL("/Stashwell/Work", true));
    EXPECT_TRUE(CFEqual(one.Get(), expectedOne.Get()));

    auto several = AdoptCF<CFURLRef>(CFURLCreateCopyAppendingPathComponent(nullptr, base.Get(), nested.Get(), false));
    EXPECT_EQ(PathOf(several.Get()), "/Stashwell/A/B");
    EXPECT_EQ(LastComponentOf(several.Get()), "B");
    EXPECT_FALSE(CFURLHasDirectoryPath(several.Get()));

    auto up = AdoptCF<CFURLRef>(CFURLCreateCopyAppendingPathComponent(nullptr, base.Get(), dotdot.Get(), true));
    EXPECT_EQ(PathOf(up.Get()), "/Stashwell/..");

    auto same = AdoptCF<CFURLRef>(CFURLCreateCopyAppendingPathComponent(nullptr, base.Get(), empty.Get(), true));
    EXPECT_TRUE(CFEqual(same.Get(), base.Get()));
    EXPECT_EQ(CFURLCreateCopyAppendingPathComponent(nullptr, base.Get(), nullptr, true), nullptr);
}

TEST(URLText, FileSystemRepresentationNeedsRoomForTheTerminator)
{
    auto url = AdoptCF<CFURLRef>(MakeURL("/tmp/abc/", true));
    UInt8 exact[9];
    EXPECT_TRUE(CFURLGetFileSystemRepresentation(url.Get(), true, exact, sizeof exact));
    EXPECT_STREQ(reinterpret_cast<const char*>(exact), "/tmp/abc");
    UInt8 small[8];
    EXPECT_FALSE(CFURLGetFileSystemRepresentation(url.Get(), true, small, sizeof small));

    const char* raw = "/tmp//abc";
    auto fromBytes = AdoptCF<CFURLRef>(CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(raw), static_cast<CFIndex>(std::strlen(raw)), true));
    EXPECT_TRUE(CFEqual(fromBytes.Get(), url.Get()));
}

TEST(URLText, StringIsPercentEncodedAndBorrowed)
{
    auto url = AdoptCF<CFURLRef>(MakeURL("/a b/100%/caf\xC3\xA9?#", false));
    CFStringRef first = CFURLGetString(url.Get());
    EXPECT_EQ(TextOf(first), "file:///a%20b/100%25/caf%C3%A9%3F%23");
    EXPECT_EQ(CFURLGetString(url.Get()), first);
    auto description = AdoptCF<CFStringRef>(CFCopyDescription(url.Get()));
    EXPECT_EQ(TextOf(description.Get()), TextOf(first));
    // The file-system path keeps the characters as they are.
    EXPECT_EQ(PathOf(url.Get()), "/a b/100%/caf\xC3\xA9?#");
    // A folder's text ends in '/'.
    auto folder = AdoptCF<CFURLRef>(MakeURL("//a b///c/.", true));
    EXPECT_EQ(TextOf(CFURLGetString(folder.Get())), "file:///a%20b/c/");
}

}  // namespace
