// A process that clears the clipboard and puts several large flavors, killed at random moments of
// its run: a reader afterwards sees the clipboard from before the clear, or the new one with the
// flavors put so far (each one whole, in the order put), never a flavor cut short or mixed from two
// writers.
#include "ScrapTestSupport.h"

#include "support/KillLoop.h"

#include <algorithm>
#include <cstdint>
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

    auto tagOf = [](int round) { return static_cast<uint64_t>(round) + 2; };
    testsupport::KillAtRandomMoments(
        "put run", 3, 50, 3141, [&](int round) { return PutGeneration(tagOf(round)); },
        [&](int round, const testsupport::ChildEnd& end) {
            TaggedGeneration now = ReadClipboard();
            EXPECT_EQ(now.damage, "");
            // Killed right after its clear, the writer leaves the new clipboard empty.
            bool unchanged = now.flavors > 0 && now.tag == before.tag && now.flavors == before.flavors;
            bool isNew = now.flavors == 0 || now.tag == tagOf(round);
            EXPECT_TRUE(unchanged || isNew) << "writer " << now.tag << " with " << now.flavors
                                            << " flavors, before writer " << before.tag << " with " << before.flavors;
            if (!end.killed) {
                EXPECT_EQ(now.tag, tagOf(round));
                EXPECT_EQ(now.flavors, kFlavors) << "a writer that finished must have put every flavor";
            }
            before = now;
            return isNew && !unchanged;
        });
    ASSERT_FALSE(HasFailure());

    // The next whole put clears what the killed writers left: at most the generation it replaced and
    // its own stay, besides the lock and the link.
    ASSERT_EQ(PutGeneration(1000), 0) << LastClipboardError();
    EXPECT_EQ(ReadClipboard().flavors, kFlavors);
    EXPECT_LE(EntriesIn(ClipboardFolder()), 4u);
}

}  // namespace
