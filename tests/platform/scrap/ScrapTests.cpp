// The clipboard folder within one process: private files, old generations removed, a damaged
// current link or manifest. What every clipboard does is in the contract tests.
#include "ScrapTestSupport.h"

#include "scrap/ScrapManifest.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>

namespace {

using namespace scraptest;

class Scrap : public ClipboardTest {};

TEST_F(Scrap, FilesArePrivateAndOldGenerationsAreRemoved)
{
    for (int i = 0; i < 5; ++i) {
        if (i == 4) {
            // A clear that died after making its generation and before making it current.
            ASSERT_EQ(mkdir((ClipboardFolder() + "/g00000000000000f0").c_str(), 0700), 0);
        }
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

    // The current generation and the one it replaced remain; nothing else but the link and the lock,
    // not even the generation that was never made current.
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
