// Large blocks that take a file's pages: a flavor goes from a file to the clipboard and from the
// clipboard to a file by a copy in the kernel, and by a plain copy when the kernel refuses; a
// block the process has changed is written from memory, never from the file behind it.
#include "../scrap/ScrapTestSupport.h"

#include "base/KernelCopy.h"
#include "carbon/FileBackedBlocks.h"

#include <Carbon/Carbon.h>

#include <cerrno>
#include <string>

namespace {

using scraptest::ClipboardTest;

constexpr ScrapFlavorType kType = 'PICT';

// Larger than the Memory Manager's smallest mapped block, and not a whole number of pages.
std::string Pattern()
{
    std::string bytes((5u << 20) + 123, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 131) ^ (i >> 13));
    }
    return bytes;
}

class FileBackedBlockTest : public ClipboardTest {
protected:
    void TearDown() override
    {
        platform::RefuseKernelCopiesForTesting(0);
        ClipboardTest::TearDown();
    }

    FSRef Ref(const std::string& path)
    {
        FSRef ref{};
        EXPECT_EQ(noErr, FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr));
        return ref;
    }

    // The file read whole into a new block through the File Manager, as a clip's flavor is.
    Ptr ReadIntoBlock(const std::string& path, Size size)
    {
        FSRef file = Ref(path);
        FSIORefNum fork = 0;
        EXPECT_EQ(noErr, FSOpenFork(&file, 0, nullptr, fsRdPerm, &fork));
        Ptr block = NewPtrClear(size);
        ByteCount read = 0;
        EXPECT_EQ(noErr, FSReadFork(fork, fsFromStart, 0, static_cast<ByteCount>(size), block, &read));
        EXPECT_EQ(static_cast<ByteCount>(size), read);
        FSCloseFork(fork);
        return block;
    }

    // The block written whole into a new file through the File Manager.
    void WriteBlock(Ptr block, const std::string& path)
    {
        testsupport::WriteFile(path, "");
        FSRef file = Ref(path);
        FSIORefNum fork = 0;
        ASSERT_EQ(noErr, FSOpenFork(&file, 0, nullptr, fsRdWrPerm, &fork));
        ByteCount written = 0;
        EXPECT_EQ(noErr, FSWriteFork(fork, fsFromStart, 0, static_cast<ByteCount>(GetPtrSize(block)), block,
                                     &written));
        EXPECT_EQ(noErr, FSCloseFork(fork));
    }

    void PutBlock(Ptr block)
    {
        ASSERT_EQ(noErr, ClearCurrentScrap());
        ASSERT_EQ(noErr, PutScrapFlavor(CurrentScrap(), kType, 0, GetPtrSize(block), block))
            << scraptest::LastClipboardError();
    }

    testsupport::ScopedTempDir mFiles;
};

// How each copy ends: copy_file_range; sendfile after copy_file_range refused across file systems
// of different kinds; or the plain copy after each way the kernel refuses both.
struct Refusal {
    int error;
    platform::KernelWays ways;
};
const Refusal kRefusals[] = {
    {0, platform::KernelWays::All},          {EXDEV, platform::KernelWays::CopyFileRange},
    {EXDEV, platform::KernelWays::All},      {EINVAL, platform::KernelWays::All},
    {ENOSYS, platform::KernelWays::All},     {EOPNOTSUPP, platform::KernelWays::All},
};

// One copy asks copy_file_range once, then sendfile once when that is refused too.
long ExpectedRefusals(int refusal, platform::KernelWays ways)
{
    return refusal == 0 ? 0 : ways == platform::KernelWays::All ? 2 : 1;
}

TEST_F(FileBackedBlockTest, APackageFileReachesTheClipboardWholeHoweverTheKernelAnswers)
{
    const std::string bytes = Pattern();
    const std::string path = mFiles.Child("PICT");
    testsupport::WriteFile(path, bytes);
    for (const auto& [refusal, ways] : kRefusals) {
        SCOPED_TRACE("refused with errno " + std::to_string(refusal) +
                     (ways == platform::KernelWays::All ? " every way" : " by copy_file_range"));
        platform::RefuseKernelCopiesForTesting(refusal, ways);
        Ptr block = ReadIntoBlock(path, static_cast<Size>(bytes.size()));
        EXPECT_TRUE(platform::FileBehindBlock(block, bytes.size()).IsValid()) << "the block took the file's pages";
        EXPECT_EQ(0, std::string(block, bytes.size()).compare(bytes));
        PutBlock(block);
        EXPECT_EQ(ExpectedRefusals(refusal, ways), platform::RefuseKernelCopiesForTesting(0))
            << "each way in the kernel is asked, in turn, before the next";
        EXPECT_TRUE(scraptest::ReadFlavor(CurrentScrap(), kType) == bytes);
        DisposePtr(block);
    }
}

TEST_F(FileBackedBlockTest, AClipboardFlavorReachesAPackageFileWholeHoweverTheKernelAnswers)
{
    const std::string bytes = Pattern();
    ASSERT_EQ(noErr, ClearCurrentScrap());
    ASSERT_EQ(noErr, scraptest::PutString(CurrentScrap(), kType, bytes));
    for (const auto& [refusal, ways] : kRefusals) {
        SCOPED_TRACE("refused with errno " + std::to_string(refusal) +
                     (ways == platform::KernelWays::All ? " every way" : " by copy_file_range"));
        platform::RefuseKernelCopiesForTesting(refusal, ways);
        Ptr block = NewPtr(static_cast<Size>(bytes.size()));
        Size count = GetPtrSize(block);
        ASSERT_EQ(noErr, GetScrapFlavorData(CurrentScrap(), kType, &count, block));
        EXPECT_TRUE(platform::FileBehindBlock(block, bytes.size()).IsValid()) << "the block took the file's pages";
        const std::string path = mFiles.Child("copy" + std::to_string(refusal) + std::to_string(static_cast<int>(ways)));
        WriteBlock(block, path);
        EXPECT_EQ(ExpectedRefusals(refusal, ways), platform::RefuseKernelCopiesForTesting(0))
            << "each way in the kernel is asked, in turn, before the next";
        EXPECT_TRUE(testsupport::ReadFile(path) == bytes);
        DisposePtr(block);
    }
}

TEST_F(FileBackedBlockTest, ABlockChangedAfterTheReadIsWrittenFromMemory)
{
    std::string bytes = Pattern();
    const std::string path = mFiles.Child("PICT");
    testsupport::WriteFile(path, bytes);
    // A change anywhere, the first page, one in the middle or the last partial one, is the
    // process's own: neither the clipboard nor the copied file may get the file's bytes back.
    for (size_t at : {size_t{0}, bytes.size() / 2, bytes.size() - 1}) {
        SCOPED_TRACE("changed at " + std::to_string(at));
        Ptr block = ReadIntoBlock(path, static_cast<Size>(bytes.size()));
        block[at] = static_cast<char>(~block[at]);
        std::string changed = bytes;
        changed[at] = block[at];
        EXPECT_FALSE(platform::FileBehindBlock(block, bytes.size()).IsValid());
        PutBlock(block);
        EXPECT_TRUE(scraptest::ReadFlavor(CurrentScrap(), kType) == changed);
        WriteBlock(block, mFiles.Child("copy"));
        EXPECT_TRUE(testsupport::ReadFile(mFiles.Child("copy")) == changed);
        DisposePtr(block);
    }
    EXPECT_TRUE(testsupport::ReadFile(path) == bytes) << "a change to the block never reaches the file";
}

TEST_F(FileBackedBlockTest, OnlyAWholeFileIntoAWholeBlockTakesTheFilesPages)
{
    const std::string bytes = Pattern();
    const std::string path = mFiles.Child("PICT");
    testsupport::WriteFile(path, bytes);
    FSRef file = Ref(path);
    FSIORefNum fork = 0;
    ASSERT_EQ(noErr, FSOpenFork(&file, 0, nullptr, fsRdPerm, &fork));
    struct Case {
        const char* what;
        Size blockSize;
        SInt64 offset;
        ByteCount count;
    };
    const Case cases[] = {
        {"a part of the file", static_cast<Size>(bytes.size()), 0, bytes.size() - 4096},
        {"from past the start", static_cast<Size>(bytes.size()), 4096, bytes.size() - 4096},
        {"into a larger block", static_cast<Size>(bytes.size() + 4096), 0, bytes.size()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ptr block = NewPtrClear(c.blockSize);
        ByteCount read = 0;
        EXPECT_EQ(noErr, FSReadFork(fork, fsFromStart, c.offset, c.count, block, &read));
        EXPECT_EQ(c.count, read);
        EXPECT_FALSE(platform::FileBehindBlock(block, static_cast<size_t>(c.blockSize)).IsValid());
        EXPECT_EQ(0, std::string(block, c.count).compare(bytes.substr(static_cast<size_t>(c.offset), c.count)));
        DisposePtr(block);
    }
    FSCloseFork(fork);
}

}  // namespace
