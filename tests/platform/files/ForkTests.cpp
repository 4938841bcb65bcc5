// Data forks: the data fork alone, positions, short reads at the end, permissions, a disk that
// fills up, and the limits of the fork table.
#include "FilesTestSupport.h"

#include <sys/resource.h>

#include <algorithm>
#include <vector>

namespace filestest {
namespace {

class ForkTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        ASSERT_EQ(noErr, CreateFile(mRoot, u"data", &mFile));
    }

    FSIORefNum Open(SInt8 permissions)
    {
        FSIORefNum fork = 0;
        EXPECT_EQ(noErr, FSOpenFork(&mFile, 0, nullptr, permissions, &fork));
        return fork;
    }

    FSRef mFile{};
};

std::vector<char> Pattern(size_t size)
{
    std::vector<char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131) ^ (i >> 13));
    }
    return bytes;
}

TEST_F(ForkTest, OnlyTheDataForkExists)
{
    HFSUniStr255 forkName{};
    forkName.length = 9;
    ASSERT_EQ(noErr, FSGetDataForkName(&forkName));
    EXPECT_EQ(0, forkName.length);
    FSIORefNum fork = 0;
    EXPECT_EQ(errFSForkNotFound, FSOpenFork(&mFile, 4, Units(u"RESC"), fsRdPerm, &fork));
    FSRef folder;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"folder", &folder));
    EXPECT_EQ(notAFileErr, FSOpenFork(&folder, 0, nullptr, fsRdPerm, &fork));
    EXPECT_EQ(paramErr, FSOpenFork(&mFile, 0, nullptr, 7, &fork));
}

TEST_F(ForkTest, ReadsStopAtTheEndWithWhatWasThereAndWritesGoWhereTheyAreAsked)
{
    WriteAll(mFile, "0123456789");
    FSIORefNum fork = Open(fsRdPerm);
    char buffer[32] = {};
    ByteCount count = 99;
    EXPECT_EQ(eofErr, FSReadFork(fork, fsFromStart, 6, sizeof buffer, buffer, &count));
    EXPECT_EQ(4u, count);
    EXPECT_EQ("6789", std::string(buffer, count));
    EXPECT_EQ(eofErr, FSReadFork(fork, fsAtMark, 0, 1, buffer, &count));
    EXPECT_EQ(0u, count);

    // Positions from the mark and from the end of the fork.
    ASSERT_EQ(noErr, FSReadFork(fork, fsFromStart, 1, 2, buffer, &count));
    ASSERT_EQ(noErr, FSReadFork(fork, fsFromMark, 2, 2, buffer, &count));
    EXPECT_EQ("56", std::string(buffer, count));
    ASSERT_EQ(noErr, FSReadFork(fork, fsFromLEOF, -3, 3, buffer, &count));
    EXPECT_EQ("789", std::string(buffer, count));
    EXPECT_EQ(posErr, FSReadFork(fork, fsFromLEOF, -11, 1, buffer, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(paramErr, FSReadFork(fork, fsFromStart, 0, 1, nullptr, &count));
    EXPECT_EQ(wrPermErr, FSWriteFork(fork, fsFromStart, 0, 1, "x", &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(noErr, FSCloseFork(fork));
    EXPECT_EQ(rfNumErr, FSCloseFork(fork));
    EXPECT_EQ(rfNumErr, FSReadFork(fork, fsFromStart, 0, 1, buffer, &count));

    // Writes go where they are asked, over what was there.
    fork = Open(fsWrPerm);
    ASSERT_EQ(noErr, FSWriteFork(fork, fsFromStart, 0, 5, "hello", &count));
    ASSERT_EQ(noErr, FSWriteFork(fork, fsAtMark, 0, 6, " world", &count));
    ASSERT_EQ(noErr, FSWriteFork(fork, fsFromLEOF, -5, 1, "W", &count));
    EXPECT_EQ(permErr, FSReadFork(fork, fsFromStart, 0, 1, buffer, &count));
    ASSERT_EQ(noErr, FSCloseFork(fork));
    EXPECT_EQ("hello World", testsupport::ReadFile(PathOf(mFile)));
}

TEST_F(ForkTest, AFullDiskStopsTheWriteAndSaysHowFarItGot)
{
    const std::vector<char> bytes = Pattern(3000);
    FSIORefNum fork = Open(fsRdWrPerm);
    PlatformSetFileWriteBudgetForTesting(1000);
    ByteCount count = 0;
    ASSERT_EQ(noErr, FSWriteFork(fork, fsFromStart, 0, 600, bytes.data(), &count));
    EXPECT_EQ(600u, count);
    EXPECT_EQ(dskFulErr, FSWriteFork(fork, fsAtMark, 0, 2400, bytes.data() + 600, &count));
    EXPECT_EQ(400u, count);
    EXPECT_EQ(dskFulErr, FSWriteFork(fork, fsAtMark, 0, 1, bytes.data(), &count));
    EXPECT_EQ(0u, count);

    PlatformSetFileWriteBudgetForTesting(-1);
    ASSERT_EQ(noErr, FSWriteFork(fork, fsAtMark, 0, 2000, bytes.data() + 1000, &count));
    ASSERT_EQ(noErr, FSCloseFork(fork));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), testsupport::ReadFile(PathOf(mFile)));
}

TEST_F(ForkTest, TooManyOpenForksIsReportedNotFatal)
{
    rlimit saved{};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_NOFILE, &saved));
    std::vector<FSIORefNum> forks;
    rlimit low = saved;
    low.rlim_cur = 64;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_NOFILE, &low));
    OSErr status = noErr;
    while (forks.size() < 200) {
        FSIORefNum fork = 0;
        status = FSOpenFork(&mFile, 0, nullptr, fsRdPerm, &fork);
        if (status != noErr) {
            break;
        }
        forks.push_back(fork);
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(tmfoErr, status);
    EXPECT_GT(forks.size(), 10u);
    std::sort(forks.begin(), forks.end());
    EXPECT_EQ(forks.end(), std::adjacent_find(forks.begin(), forks.end()));
    for (FSIORefNum fork : forks) {
        EXPECT_EQ(noErr, FSCloseFork(fork));
    }
}

}  // namespace
}  // namespace filestest
