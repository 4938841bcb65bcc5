// URLs made from references, and whole files read through them.
#include "FilesTestSupport.h"

namespace filestest {
namespace {

using URLAccessTest = FilesTest;

std::string PathOfURL(CFURLRef url)
{
    UInt8 path[4096];
    return CFURLGetFileSystemRepresentation(url, true, path, sizeof path) ? reinterpret_cast<char*>(path) : "";
}

TEST_F(URLAccessTest, FoldersGiveFolderURLs)
{
    FSRef folder, file;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"Package", &folder));
    ASSERT_EQ(noErr, CreateFile(folder, u"snd ", &file));
    CFURLRef folderURL = CFURLCreateFromFSRef(nullptr, &folder);
    CFURLRef fileURL = CFURLCreateFromFSRef(nullptr, &file);
    ASSERT_NE(nullptr, folderURL);
    ASSERT_NE(nullptr, fileURL);
    EXPECT_TRUE(CFURLHasDirectoryPath(folderURL));
    EXPECT_FALSE(CFURLHasDirectoryPath(fileURL));
    EXPECT_EQ(PathOf(folder), PathOfURL(folderURL));
    EXPECT_EQ(PathOf(file), PathOfURL(fileURL));
    CFRelease(folderURL);
    CFRelease(fileURL);
    FSRef zero{};
    EXPECT_EQ(nullptr, CFURLCreateFromFSRef(nullptr, &zero));
}

TEST_F(URLAccessTest, ReadsTheWholeFile)
{
    FSRef file, empty;
    ASSERT_EQ(noErr, CreateFile(mRoot, u"TEXT", &file));
    ASSERT_EQ(noErr, CreateFile(mRoot, u"empty", &empty));
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    WriteAll(file, bytes);

    for (const auto& [ref, expected] : {std::pair{&file, bytes}, std::pair{&empty, std::string()}}) {
        CFURLRef url = CFURLCreateFromFSRef(nullptr, ref);
        ASSERT_NE(nullptr, url);
        CFDataRef data = nullptr;
        SInt32 error = 99;
        ASSERT_TRUE(CFURLCreateDataAndPropertiesFromResource(nullptr, url, &data, nullptr, nullptr, &error));
        EXPECT_EQ(0, error);
        ASSERT_NE(nullptr, data);
        EXPECT_EQ(expected, std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                                        static_cast<size_t>(CFDataGetLength(data))));
        CFRelease(data);
        CFRelease(url);
    }
}

TEST_F(URLAccessTest, MissingFilesAndFoldersAreNotRead)
{
    FSRef folder;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"Package", &folder));
    CFURLRef folderURL = CFURLCreateFromFSRef(nullptr, &folder);
    ASSERT_NE(nullptr, folderURL);
    std::string missingPath = PathOf(folder) + "/missing";
    CFURLRef missing = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(missingPath.c_str()), static_cast<CFIndex>(missingPath.size()), false);

    CFDataRef data = nullptr;
    CFDictionaryRef properties = reinterpret_cast<CFDictionaryRef>(missing);  // must be reset to NULL
    SInt32 error = 0;
    EXPECT_FALSE(CFURLCreateDataAndPropertiesFromResource(nullptr, missing, &data, &properties, nullptr, &error));
    EXPECT_EQ(nullptr, properties);
    EXPECT_EQ(kCFURLResourceNotFoundError, error);
    EXPECT_EQ(nullptr, data);
    EXPECT_FALSE(CFURLCreateDataAndPropertiesFromResource(nullptr, folderURL, &data, nullptr, nullptr, &error));
    EXPECT_EQ(kCFURLUnknownError, error);
    EXPECT_EQ(nullptr, data);
    CFRelease(missing);
    CFRelease(folderURL);
}

}  // namespace
}  // namespace filestest
