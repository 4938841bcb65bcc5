// Shared helpers of the File Manager tests: a temporary folder with a reference to it, UTF-16
// names, and small wrappers that keep the cases short.
#pragma once

#include "support/TempDir.h"

#include <Carbon/Carbon.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace filestest {

inline std::u16string U16(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

inline const UniChar* Units(const std::u16string& name)
{
    return reinterpret_cast<const UniChar*>(name.data());
}

inline std::u16string NameOf(const HFSUniStr255& name)
{
    return std::u16string(reinterpret_cast<const char16_t*>(name.unicode), name.length);
}

inline mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

inline bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The path a reference names, "" when it names nothing.
inline std::string PathOf(const FSRef& ref)
{
    UInt8 path[4096];
    return FSRefMakePath(&ref, path, sizeof path) == noErr ? std::string(reinterpret_cast<char*>(path)) : "";
}

// A test with a fresh temporary folder and a reference to it; the write budget is cancelled
// after every test.
class FilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(noErr, FSPathMakeRef(reinterpret_cast<const UInt8*>(mDir.path().c_str()), &mRoot, nullptr));
    }
    void TearDown() override { PlatformSetFileWriteBudgetForTesting(-1); }

    OSErr Lookup(const FSRef& parent, const std::u16string& name, FSRef* ref)
    {
        return FSMakeFSRefUnicode(&parent, name.size(), Units(name), 0, ref);
    }
    OSErr CreateFile(const FSRef& parent, const std::u16string& name, FSRef* ref = nullptr)
    {
        return FSCreateFileUnicode(&parent, name.size(), Units(name), kFSCatInfoNone, nullptr, ref, nullptr);
    }
    OSErr CreateFolder(const FSRef& parent, const std::u16string& name, FSRef* ref = nullptr)
    {
        return FSCreateDirectoryUnicode(&parent, name.size(), Units(name), kFSCatInfoNone, nullptr, ref, nullptr,
                                        nullptr);
    }
    OSErr RefForPath(const std::string& path, FSRef* ref)
    {
        return FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), ref, nullptr);
    }
    UInt16 FlagsOf(const FSRef& ref)
    {
        FSCatalogInfo info{};
        EXPECT_EQ(noErr, FSGetCatalogInfo(&ref, kFSCatInfoNodeFlags, &info, nullptr, nullptr, nullptr));
        return info.nodeFlags;
    }
    OSErr SetLocked(const FSRef& ref, bool locked)
    {
        FSCatalogInfo info{};
        info.nodeFlags = locked ? kFSNodeLockedMask : 0;
        return FSSetCatalogInfo(&ref, kFSCatInfoNodeFlags, &info);
    }
    // Writes bytes as the whole content of the file.
    void WriteAll(const FSRef& file, const std::string& bytes)
    {
        FSIORefNum fork = 0;
        ASSERT_EQ(noErr, FSOpenFork(&file, 0, nullptr, fsRdWrPerm, &fork));
        ByteCount written = 0;
        EXPECT_EQ(noErr, FSWriteFork(fork, fsFromStart, 0, bytes.size(), bytes.data(), &written));
        EXPECT_EQ(bytes.size(), written);
        EXPECT_EQ(noErr, FSCloseFork(fork));
    }

    testsupport::ScopedTempDir mDir;
    FSRef mRoot{};
};

}  // namespace filestest
