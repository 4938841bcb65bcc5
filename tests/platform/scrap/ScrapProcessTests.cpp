// The clipboard shared between processes: a clear in one process retires the references of
// another, a reader keeps the generation it took, no reader ever sees a flavor half-written
// while other processes clear and put as fast as they can, and a writer that stalls holding the
// lock stops the others only for a bounded time, with its name.
#include "ScrapTestSupport.h"

#include "base/LockFile.h"
#include "support/KillLoop.h"
#include "support/LockHolder.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>

namespace {

using namespace scraptest;

int RunChild(const std::function<int()>& body)
{
    return testsupport::RunChildAndKill(body, -1).exitStatus;
}

class ScrapProcesses : public ClipboardTest {};

TEST_F(ScrapProcesses, AClearByAnotherProcessMakesAReferenceStale)
{
    ScrapRef mine = CurrentScrap();
    ASSERT_EQ(PutString(mine, 'TEXT', "before"), noErr);

    ASSERT_EQ(RunChild([] {
                  ScrapRef scrap = nullptr;
                  if (ClearCurrentScrap() != noErr || GetCurrentScrap(&scrap) != noErr) {
                      return 2;
                  }
                  return PutString(scrap, 'TEXT', "after") == noErr ? 0 : 3;
              }),
              0);

    EXPECT_EQ(PutString(mine, 'utxt', "late"), badScrapRefErr);
    EXPECT_NE(LastClipboardError().find("cleared"), std::string::npos) << LastClipboardError();
    // What the reference was taken on still reads as it was.
    EXPECT_EQ(ReadFlavor(mine, 'TEXT'), "before");
    EXPECT_EQ(FlavorList(mine).size(), 1u);

    ScrapRef now = CurrentScrap();
    EXPECT_NE(now, mine);
    EXPECT_EQ(ReadFlavor(now, 'TEXT'), "after");
}

TEST_F(ScrapProcesses, WhileAnotherProcessHoldsTheLockReadersGoOnAndWritersGiveUpNamingIt)
{
    ASSERT_EQ(PutString(CurrentScrap(), 'TEXT', "kept"), noErr);
    testsupport::LockHolder other(ClipboardFolder() + "/lock");
    platform::SetLockWaitForTesting(std::chrono::milliseconds(100));
    EXPECT_EQ(ReadFlavor(CurrentScrap(), 'TEXT'), "kept");
    EXPECT_EQ(PutString(CurrentScrap(), 'utxt', "late"), fBsyErr);
    const std::string holder = "(process " + std::to_string(other.Pid()) + ")";
    EXPECT_NE(LastClipboardError().find(holder), std::string::npos) << LastClipboardError();
    EXPECT_EQ(ClearCurrentScrap(), fBsyErr);
    EXPECT_EQ(FlavorList(CurrentScrap()).size(), 1u);
    platform::SetLockWaitForTesting({});
}

TEST_F(ScrapProcesses, AReaderKeepsReadingAGenerationRemovedUnderIt)
{
    ScrapRef mine = CurrentScrap();
    ASSERT_EQ(PutString(mine, 'TEXT', "pinned"), noErr);
    ASSERT_EQ(PutString(mine, 'PICT', std::string(100000, 'p')), noErr);
    char target[64] = {};
    ASSERT_GT(readlink(CurrentGenerationFolder().c_str(), target, sizeof target - 1), 0);
    std::string pinnedFolder = ClipboardFolder() + "/" + target;

    // Three clears: the generation read here is two behind and is removed.
    ASSERT_EQ(RunChild([] {
                  for (int i = 0; i < 3; ++i) {
                      if (ClearCurrentScrap() != noErr) {
                          return 2;
                      }
                  }
                  return 0;
              }),
              0);
    struct stat info {};
    ASSERT_NE(lstat(pinnedFolder.c_str(), &info), 0) << pinnedFolder << " should have been removed";

    EXPECT_EQ(ReadFlavor(mine, 'TEXT'), "pinned");
    EXPECT_EQ(ReadFlavor(mine, 'PICT'), std::string(100000, 'p'));
    EXPECT_EQ(PutString(mine, 'utxt', "x"), badScrapRefErr);
}

// The hammer: writers clear and fill generations, each with its own tag; readers check that every
// generation they read is whole.
constexpr int kFlavorsPerGeneration = 4;
constexpr auto kHammerTime = std::chrono::milliseconds(1500);

size_t SizeFor(uint64_t tag, int index)
{
    // From 8 bytes to about 400 KB, so that writes take many system calls.
    return 8 * (1 + ((tag * 2654435761u + static_cast<uint64_t>(index) * 7919u) % 50000));
}

int Writer(uint32_t writerId)
{
    auto end = std::chrono::steady_clock::now() + kHammerTime;
    for (uint32_t round = 1; std::chrono::steady_clock::now() < end; ++round) {
        uint64_t tag = (static_cast<uint64_t>(writerId) << 32) | round;
        ScrapRef scrap = nullptr;
        if (ClearCurrentScrap() != noErr || GetCurrentScrap(&scrap) != noErr) {
            std::fprintf(stderr, "writer %u: %s\n", writerId, LastClipboardError().c_str());
            return 2;
        }
        for (int i = 0; i < kFlavorsPerGeneration; ++i) {
            OSStatus status = PutTaggedFlavor(scrap, tag, i, SizeFor);
            // Another writer cleared meanwhile, or took this same generation first: it is theirs.
            if (status == badScrapRefErr || (i == 0 && status == duplicateScrapFlavorErr)) {
                break;
            }
            if (status != noErr) {
                std::fprintf(stderr, "writer %u: put %d: %d %s\n", writerId, i, static_cast<int>(status),
                             LastClipboardError().c_str());
                return 3;
            }
        }
    }
    return 0;
}

int Reader(int readerId)
{
    auto end = std::chrono::steady_clock::now() + kHammerTime;
    long wholeFlavors = 0;
    while (std::chrono::steady_clock::now() < end) {
        TaggedGeneration seen = ReadTaggedGeneration(SizeFor);
        if (!seen.damage.empty()) {
            std::fprintf(stderr, "reader %d: %s\n", readerId, seen.damage.c_str());
            return 4;
        }
        wholeFlavors += seen.flavors;
    }
    // A reader that never saw a flavor proved nothing.
    return wholeFlavors > 0 ? 0 : 9;
}

TEST_F(ScrapProcesses, ReadersNeverSeeATornGenerationWhileWritersHammer)
{
    const std::vector<int> statuses = testsupport::RunChildrenAtOnce(
        {[] { return Writer(1); }, [] { return Writer(2); }, [] { return Reader(1); }, [] { return Reader(2); }});
    EXPECT_EQ(statuses[0], 0) << "a writer failed (see its message above)";
    EXPECT_EQ(statuses[1], 0) << "a writer failed (see its message above)";
    EXPECT_EQ(statuses[2], 0) << "a reader saw a damaged clipboard (see its message above)";
    EXPECT_EQ(statuses[3], 0) << "a reader saw a damaged clipboard (see its message above)";
}

}  // namespace
