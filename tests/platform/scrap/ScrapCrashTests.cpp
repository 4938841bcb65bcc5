// A process that clears the clipboard and puts several large flavors, killed at random moments of
// its run: a reader afterwards sees the clipboard from before the clear, or the new one with the
// flavors put so far (each one whole, in the order put), never a flavor cut short or mixed from two
// writers.
#include "ScrapTestSupport.h"

#include "support/KillLoop.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <set>

namespace {

using namespace scraptest;

constexpr int kFlavors = 4;

size_t SizeFor(uint64_t tag, int index)
{
    // 128 KB to about 384 KB: a put takes many writes.
    return 8 * (16384 + ((tag * 7919 + static_cast<uint64_t>(index) * 104729) % 32768));
}

int PutGeneration(uint64_t tag)
{
    ScrapRef scrap = nullptr;
    if (ClearCurrentScrap() != noErr || GetCurrentScrap(&scrap) != noErr) {
        return 2;
    }
    for (int i = 0; i < kFlavors; ++i) {
        if (PutTaggedFlavor(scrap, tag, i, SizeFor) != noErr) {
            return 3;
        }
    }
    return 0;
}

TaggedGeneration ReadClipboard()
{
    return ReadTaggedGeneration(SizeFor);
}

// The entries of a folder, the temporary files of killed writers (named with a leading dot) left out.
size_t EntriesIn(const std::string& path)
{
    std::set<std::string> names = testsupport::EntryNames(path);
    return static_cast<size_t>(
        std::count_if(names.begin(), names.end(), [](const std::string& name) { return name[0] != '.'; }));
}

class ScrapCrash : public ClipboardTest {};

TEST_F(ScrapCrash, PutsKilledAnywhereNeverLeaveATornFlavor)
{
    ASSERT_EQ(PutGeneration(1), 0) << LastClipboardError();
    TaggedGeneration before = ReadClipboard();
    ASSERT_EQ(before.damage, "");
    ASSERT_EQ(before.tag, 1u);
    ASSERT_EQ(before.flavors, kFlavors);

    // Whole runs first, to learn how long a writer lives (the longest of them).
    long runMicros = 1000;
    for (uint64_t tag = 2; tag <= 4; ++tag) {
        testsupport::ChildEnd timed = testsupport::RunChildAndKill([tag] { return PutGeneration(tag); }, -1);
        ASSERT_EQ(timed.exitStatus, 0);
        runMicros = std::max(runMicros, timed.micros);
    }
    before = ReadClipboard();
    ASSERT_EQ(before.tag, 4u);

    constexpr int kRounds = 50;
    std::mt19937 random(3141);
    int killed = 0;
    int changed = 0;
    int partial = 0;
    for (int round = 5; round < 5 + kRounds; ++round) {
        long delay = static_cast<long>(random() % static_cast<unsigned long>(runMicros + 1));
        auto tag = static_cast<uint64_t>(round);
        testsupport::ChildEnd end = testsupport::RunChildAndKill([tag] { return PutGeneration(tag); }, delay);
        ASSERT_TRUE(end.started);
        ASSERT_TRUE(end.killed || end.exitStatus == 0) << "writer failed with " << end.exitStatus;
        TaggedGeneration now = ReadClipboard();
        ASSERT_EQ(now.damage, "") << "round " << round << " (kill after " << delay << " us)";
        // Killed right after its clear, the writer leaves the new clipboard empty.
        bool unchanged = now.flavors > 0 && now.tag == before.tag && now.flavors == before.flavors;
        bool isNew = now.flavors == 0 || now.tag == tag;
        ASSERT_TRUE(unchanged || isNew) << "round " << round << ": writer " << now.tag << " with " << now.flavors
                                        << " flavors, before writer " << before.tag << " with " << before.flavors;
        if (!end.killed) {
            EXPECT_EQ(now.tag, tag);
            EXPECT_EQ(now.flavors, kFlavors) << "a writer that finished must have put every flavor";
        }
        killed += end.killed ? 1 : 0;
        changed += isNew && !unchanged ? 1 : 0;
        partial += isNew && now.flavors < kFlavors ? 1 : 0;
        before = now;
    }
    std::printf("[          ] one put run: %ld us; %d of %d writers killed, %d changed the clipboard, %d of them "
                "part-way\n",
                runMicros, killed, kRounds, changed, partial);
    EXPECT_GT(killed, 0);
    EXPECT_GT(changed, 0);

    // The next whole put clears what the killed writers left: at most the generation it replaced and
    // its own stay, besides the lock and the link.
    ASSERT_EQ(PutGeneration(1000), 0) << LastClipboardError();
    EXPECT_EQ(ReadClipboard().flavors, kFlavors);
    EXPECT_LE(EntriesIn(ClipboardFolder()), 4u);
}

}  // namespace
