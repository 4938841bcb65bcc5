// The Scrap Manager within one process: what goes on the clipboard comes back, in order, with its
// flags; the argument checks; references across clears; a damaged manifest.
#include "ScrapTestSupport.h"

#include "scrap/ScrapManifest.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>

namespace {

using namespace scraptest;

class Scrap : public ClipboardTest {};

TEST_F(Scrap, AFreshClipboardHasOneEmptyGeneration)
{
    ScrapRef scrap = CurrentScrap();
    ASSERT_NE(scrap, nullptr);
    UInt32 count = 99;
    EXPECT_EQ(GetScrapFlavorCount(scrap, &count), noErr);
    EXPECT_EQ(count, 0u);
    ScrapRef again = nullptr;
    ASSERT_EQ(GetCurrentScrap(&again), noErr);
    EXPECT_EQ(again, scrap) << "one reference per generation";
}

TEST_F(Scrap, FlavorsComeBackInTheOrderTheyWerePut)
{
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    ScrapRef scrap = CurrentScrap();
    ASSERT_EQ(PutString(scrap, 'utxt', std::string("\xFF\xFE" "a\0b\0", 6)), noErr);
    ASSERT_EQ(PutString(scrap, 'TEXT', "ab"), noErr);
    ASSERT_EQ(PutString(scrap, 'PICT', std::string("\0\x01\x02", 3)), noErr);

    std::vector<ScrapFlavorInfo> info = FlavorList(scrap);
    ASSERT_EQ(info.size(), 3u);
    EXPECT_EQ(info[0].flavorType, 'utxt');
    EXPECT_EQ(info[1].flavorType, 'TEXT');
    EXPECT_EQ(info[2].flavorType, 'PICT');
    EXPECT_EQ(ReadFlavor(scrap, 'utxt'), std::string("\xFF\xFE" "a\0b\0", 6));
    EXPECT_EQ(ReadFlavor(scrap, 'TEXT'), "ab");
    EXPECT_EQ(ReadFlavor(scrap, 'PICT'), std::string("\0\x01\x02", 3));

    // A smaller array gets the first records, in the same order.
    ScrapFlavorInfo two[2] = {};
    UInt32 count = 2;
    ASSERT_EQ(GetScrapFlavorInfoList(scrap, &count, two), noErr);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(two[1].flavorType, 'TEXT');
}

TEST_F(Scrap, FlagsAreKeptAndUnknownBitsRefused)
{
    ScrapRef scrap = CurrentScrap();
    ASSERT_EQ(PutString(scrap, 'TEXT', "x", kScrapFlavorMaskSenderOnly), noErr);
    ASSERT_EQ(PutString(scrap, 'utxt', "yy", kScrapFlavorMaskNone), noErr);
    EXPECT_EQ(PutString(scrap, 'PICT', "z", 0x80), illegalScrapFlavorFlagsErr);

    ScrapFlavorFlags flags = 0;
    ASSERT_EQ(GetScrapFlavorFlags(scrap, 'TEXT', &flags), noErr);
    EXPECT_EQ(flags, static_cast<ScrapFlavorFlags>(kScrapFlavorMaskSenderOnly));
    ASSERT_EQ(GetScrapFlavorFlags(scrap, 'utxt', &flags), noErr);
    EXPECT_EQ(flags, 0u);
    std::vector<ScrapFlavorInfo> info = FlavorList(scrap);
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].flavorFlags, static_cast<ScrapFlavorFlags>(kScrapFlavorMaskSenderOnly));
}

TEST_F(Scrap, ATypeIsPutOnlyOnce)
{
    ScrapRef scrap = CurrentScrap();
    ASSERT_EQ(PutString(scrap, 'TEXT', "first"), noErr);
    EXPECT_EQ(PutString(scrap, 'TEXT', "second"), duplicateScrapFlavorErr);
    EXPECT_NE(LastClipboardError().find("'TEXT'"), std::string::npos) << LastClipboardError();
    EXPECT_EQ(ReadFlavor(scrap, 'TEXT'), "first");
    EXPECT_EQ(FlavorList(scrap).size(), 1u);
}

TEST_F(Scrap, BadArgumentsAreRefusedWithoutTouchingTheClipboard)
{
    ScrapRef scrap = CurrentScrap();
    EXPECT_EQ(PutScrapFlavor(scrap, 'TEXT', 0, -1, "x"), illegalScrapFlavorSizeErr);
    EXPECT_EQ(PutScrapFlavor(scrap, 'TEXT', 0, 3, nullptr), paramErr);
    EXPECT_EQ(GetCurrentScrap(nullptr), paramErr);
    EXPECT_EQ(GetScrapFlavorCount(scrap, nullptr), paramErr);
    Size size = 0;
    EXPECT_EQ(GetScrapFlavorSize(scrap, 'TEXT', nullptr), paramErr);
    EXPECT_EQ(GetScrapFlavorSize(scrap, 'TEXT', &size), noTypeErr);
    Size negative = -5;
    char buffer[1];
    EXPECT_EQ(GetScrapFlavorData(scrap, 'TEXT', &negative, buffer), paramErr);
    ScrapRef unknown = reinterpret_cast<ScrapRef>(static_cast<uintptr_t>(0x7FFFFFF0));
    UInt32 count = 7;
    EXPECT_EQ(GetScrapFlavorCount(unknown, &count), badScrapRefErr);
    EXPECT_EQ(PutString(unknown, 'TEXT', "x"), badScrapRefErr);
    EXPECT_EQ(PutString(nullptr, 'TEXT', "x"), badScrapRefErr);
    EXPECT_TRUE(FlavorList(scrap).empty());
}

TEST_F(Scrap, DataCopiesAtMostTheByteCountAskedAndAnEmptyFlavorIsKept)
{
    ScrapRef scrap = CurrentScrap();
    ASSERT_EQ(PutString(scrap, 'TEXT', "abcdef"), noErr);
    ASSERT_EQ(PutScrapFlavor(scrap, 'empt', 0, 0, nullptr), noErr);
    Size size = -1;
    ASSERT_EQ(GetScrapFlavorSize(scrap, 'empt', &size), noErr);
    EXPECT_EQ(size, 0);
    struct Case {
        ScrapFlavorType type;
        Size asked;
        Size copied;
        const char* buffer;
    } cases[] = {{'TEXT', 3, 3, "abc-----"}, {'TEXT', 8, 6, "abcdef--"}, {'empt', 8, 0, "--------"}};
    for (const Case& c : cases) {
        char buffer[8] = {'-', '-', '-', '-', '-', '-', '-', '-'};
        Size count = c.asked;
        ASSERT_EQ(GetScrapFlavorData(scrap, c.type, &count, buffer), noErr) << c.asked;
        EXPECT_EQ(count, c.copied);
        EXPECT_EQ(std::string(buffer, 8), c.buffer);
    }
}

TEST_F(Scrap, ClearingStartsAnEmptyGenerationAndRetiresOldReferences)
{
    ScrapRef before = CurrentScrap();
    ASSERT_EQ(PutString(before, 'TEXT', "old"), noErr);
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    // The process let go of the old reference at the clear: a status, never freed memory.
    EXPECT_EQ(PutString(before, 'utxt', "x"), badScrapRefErr);
    UInt32 count = 5;
    EXPECT_EQ(GetScrapFlavorCount(before, &count), badScrapRefErr);

    ScrapRef after = CurrentScrap();
    EXPECT_NE(after, before);
    EXPECT_TRUE(FlavorList(after).empty());
    ASSERT_EQ(PutString(after, 'TEXT', "new"), noErr);
    EXPECT_EQ(ReadFlavor(after, 'TEXT'), "new");
}

TEST_F(Scrap, AReferenceSeesFlavorsPutThroughAnotherOfTheSameGeneration)
{
    ScrapRef reader = CurrentScrap();
    ASSERT_EQ(FlavorList(reader).size(), 0u);
    ScrapRef writer = CurrentScrap();
    ASSERT_EQ(PutString(writer, 'TEXT', "later"), noErr);
    EXPECT_EQ(ReadFlavor(reader, 'TEXT'), "later");
}

TEST_F(Scrap, AFlavorOf64MiBGoesThroughWhole)
{
    const size_t size = 64u << 20;
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    }
    ScrapRef scrap = CurrentScrap();
    ASSERT_EQ(PutScrapFlavor(scrap, 'moov', 0, static_cast<Size>(size), bytes.data()), noErr)
        << LastClipboardError();
    Size stored = 0;
    ASSERT_EQ(GetScrapFlavorSize(scrap, 'moov', &stored), noErr);
    EXPECT_EQ(stored, static_cast<Size>(size));
    std::vector<unsigned char> back(size);
    Size count = static_cast<Size>(size);
    ASSERT_EQ(GetScrapFlavorData(scrap, 'moov', &count, back.data()), noErr);
    EXPECT_EQ(count, static_cast<Size>(size));
    EXPECT_TRUE(back == bytes);
}

TEST_F(Scrap, AGenerationHoldsAtMostTheFlavorsAReaderCanKeepOpen)
{
    ScrapRef scrap = CurrentScrap();
    for (size_t i = 0; i < platform::scrap::kMaxManifestFlavors; ++i) {
        ASSERT_EQ(PutString(scrap, static_cast<ScrapFlavorType>('f000' + i), "x"), noErr) << i;
    }
    EXPECT_EQ(PutString(scrap, 'last', "x"), internalScrapErr);
    EXPECT_NE(LastClipboardError().find("the most it can"), std::string::npos) << LastClipboardError();
    UInt32 count = 0;
    ASSERT_EQ(GetScrapFlavorCount(scrap, &count), noErr);
    EXPECT_EQ(count, platform::scrap::kMaxManifestFlavors);
}

TEST_F(Scrap, FilesArePrivateAndOldGenerationsAreRemoved)
{
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(ClearCurrentScrap(), noErr);
        ASSERT_EQ(PutString(CurrentScrap(), 'TEXT', "gen" + std::to_string(i)), noErr);
    }
    struct stat info {};
    ASSERT_EQ(stat(ClipboardFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(stat(CurrentGenerationFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(stat((CurrentGenerationFolder() + "/54455854").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // The current generation and the one it replaced remain; nothing else but the link and the lock.
    std::set<std::string> generations = testsupport::EntryNames(ClipboardFolder());
    generations.erase("current");
    generations.erase("lock");
    EXPECT_EQ(generations.size(), 2u);
    for (const std::string& name : generations) {
        EXPECT_EQ(name[0], 'g') << name;
    }
}

TEST_F(Scrap, ACurrentLinkThatLeadsNowhereOrElsewhereIsDamageThatAClearMends)
{
    // A folder beside the clipboard that a followed link would show as a generation.
    const std::string outside = mStorage.root() + "/outside";
    ASSERT_EQ(mkdir(outside.c_str(), 0700), 0);
    ASSERT_TRUE(testsupport::WriteFile(outside + "/manifest", "clipboard manifest 1\nflavors 0\n"));
    struct Case {
        std::string target;
        const char* reason;
    } cases[] = {
        {"g00000000000000ff", "missing"},  // a generation name, but that generation is gone
        {"g-that-is-gone", "damaged"},
        {outside, "damaged"},
        {"../outside", "damaged"},
        {"g0000000000000001/..", "damaged"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ClearCurrentScrap(), noErr);
        ASSERT_EQ(PutString(CurrentScrap(), 'TEXT', "abc"), noErr);
        const std::string link = ClipboardFolder() + "/current";
        ASSERT_EQ(unlink(link.c_str()), 0);
        ASSERT_EQ(symlink(c.target.c_str(), link.c_str()), 0);
        ScrapRef scrap = nullptr;
        EXPECT_EQ(GetCurrentScrap(&scrap), internalScrapErr) << c.target;
        EXPECT_NE(LastClipboardError().find(c.reason), std::string::npos) << c.target << ": " << LastClipboardError();
        ASSERT_EQ(ClearCurrentScrap(), noErr) << c.target;
        UInt32 count = 9;
        EXPECT_EQ(GetScrapFlavorCount(CurrentScrap(), &count), noErr) << c.target;
        EXPECT_EQ(count, 0u) << c.target;
    }
    EXPECT_EQ(testsupport::EntryNames(outside), std::set<std::string>{"manifest"});
}

// A manifest written by some other process of the user that does not hold together.
class DamagedManifest : public ClipboardTest {
protected:
    void SetUp() override
    {
        mScrap = CurrentScrap();
        ASSERT_EQ(PutString(mScrap, 'TEXT', "abc"), noErr);
    }
    void ReplaceManifest(const std::string& text)
    {
        // Replaced by rename, as any writer does, so the reader sees a new manifest.
        std::string path = CurrentGenerationFolder() + "/manifest";
        testsupport::WriteFile(path + ".new", text);
        ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
    }
    void ExpectReadsAsEmpty(const std::string& reasonPart)
    {
        UInt32 count = 9;
        EXPECT_EQ(GetScrapFlavorCount(mScrap, &count), internalScrapErr);
        EXPECT_EQ(count, 0u);
        EXPECT_NE(LastClipboardError().find(reasonPart), std::string::npos) << LastClipboardError();
        Size size = 0;
        EXPECT_EQ(GetScrapFlavorSize(mScrap, 'TEXT', &size), internalScrapErr);
        EXPECT_EQ(PutString(mScrap, 'utxt', "x"), internalScrapErr) << "a damaged generation is not written to";
    }

    ScrapRef mScrap = nullptr;
};

TEST_F(DamagedManifest, ReadsAsEmptyWithAReasonUntilAClearMendsIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\x01\x02 not a manifest at all", "manifest is damaged"},
        {"clipboard manifest 1\nflavors 1\n54455854 00000000 4000\n", "4000 bytes"},  // size disagrees with the file
        {"clipboard manifest 1\nflavors 2\n54455854 00000000 3\n50494354 00000000 3\n", "'PICT'"},  // no file
        {"clipboard manifest 1\nflavors 9\n", "ends after 0 of 9"},
    };
    for (const auto& [manifest, reason] : cases) {
        SCOPED_TRACE(reason);
        ReplaceManifest(manifest);
        ExpectReadsAsEmpty(reason);
    }
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    ScrapRef fresh = CurrentScrap();
    ASSERT_EQ(PutString(fresh, 'TEXT', "ok"), noErr);
    EXPECT_EQ(ReadFlavor(fresh, 'TEXT'), "ok");
}

TEST_F(DamagedManifest, AGoodManifestAgainReadsAgain)
{
    ReplaceManifest("nonsense");
    UInt32 count = 0;
    EXPECT_EQ(GetScrapFlavorCount(mScrap, &count), internalScrapErr);
    ReplaceManifest("clipboard manifest 1\nflavors 1\n54455854 00000001 3\n");
    ASSERT_EQ(GetScrapFlavorCount(mScrap, &count), noErr);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(ReadFlavor(mScrap, 'TEXT'), "abc");
}

}  // namespace
