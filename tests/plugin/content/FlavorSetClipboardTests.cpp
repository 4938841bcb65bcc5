// A flavor set and the clipboard: reading, writing, the sender-only and empty flavors, and running
// out of memory while reading.
#include "content/FlavorSet.h"
#include "support/CFObj.h"

#include "FlavorSetTesting.h"
#include "support/ClipboardFlavors.h"
#include "support/TempDir.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using flavortesting::BytesOf;
using flavortesting::Contents;
using flavortesting::ContentsOf;
using flavortesting::TestFlavorSet;

struct ScrapFlavor {
    UInt32 type;
    ScrapFlavorFlags flags;
    std::string bytes;
};

class FlavorSetClipboardTest : public testing::Test {
protected:
    // Replaces the clipboard's content with these flavors, in this order.
    void PutOnClipboard(const std::vector<ScrapFlavor>& flavors)
    {
        ASSERT_EQ(ClearCurrentScrap(), noErr);
        ScrapRef scrap = nullptr;
        ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
        for (const ScrapFlavor& flavor : flavors) {
            ASSERT_EQ(PutScrapFlavor(scrap, flavor.type, flavor.flags, static_cast<Size>(flavor.bytes.size()),
                                     flavor.bytes.data()),
                      noErr);
        }
    }

    testsupport::ScopedStorageEnvironment mStorage;
};

TEST_F(FlavorSetClipboardTest, SenderOnlyAndEmptyFlavorsAreNotTaken)
{
    PutOnClipboard({{'priv', kScrapFlavorMaskSenderOnly, "mine"},
                    {'snd ', kScrapFlavorMaskTranslated, "sound"},
                    {'TEXT', kScrapFlavorMaskNone, ""},
                    {'both', kScrapFlavorMaskSenderOnly | kScrapFlavorMaskTranslated, "x"}});
    TestFlavorSet set;
    set.ReadFromClibpoard();
    EXPECT_EQ(ContentsOf(set), (Contents{{'snd ', "sound"}}));

    PutOnClipboard({{'priv', kScrapFlavorMaskSenderOnly, "mine"}});
    EXPECT_TRUE(FlavorSet::IsAnythingInClipboard());
    TestFlavorSet senderOnly;
    senderOnly.ReadFromClibpoard();
    EXPECT_FALSE(senderOnly.AnyContentAvailable());
}

TEST_F(FlavorSetClipboardTest, OneFlavorAsADataObject)
{
    PutOnClipboard({{'TEXT', kScrapFlavorMaskNone, "abc"}, {'zero', kScrapFlavorMaskNone, ""}});
    CFObj<CFDataRef> text(FlavorSet::ReadOneFlavorFromClipboard('TEXT'));
    ASSERT_NE(text.Get(), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(text)), static_cast<size_t>(CFDataGetLength(text))),
              "abc");
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromClipboard('zero'), nullptr);
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromClipboard('none'), nullptr);
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    EXPECT_EQ(FlavorSet::ReadOneFlavorFromClipboard('TEXT'), nullptr);
}

TEST_F(FlavorSetClipboardTest, RunningOutOfMemoryLeavesNothingBehind)
{
    PutOnClipboard({{'PICT', kScrapFlavorMaskNone, "picture"}, {'TEXT', kScrapFlavorMaskNone, "text"}});
    TestFlavorSet set;
    PlatformFailNextAllocationsForTesting(1);
    OSErr thrown = noErr;
    try {
        set.ReadFromClibpoard();
    } catch (OSErr error) {
        thrown = error;
    }
    PlatformFailNextAllocationsForTesting(0);
    EXPECT_EQ(thrown, memFullErr);
    EXPECT_FALSE(set.AnyContentAvailable());

    // Flavors read before the failure stay in the set (and are freed with it).
    TestFlavorSet partly{{'TEXT', "earlier"}};
    PlatformFailNextAllocationsForTesting(1);
    EXPECT_THROW(partly.ReadFromClibpoard(), OSErr);
    PlatformFailNextAllocationsForTesting(0);
    EXPECT_EQ(partly.size(), 1u);
    partly.ReadFromClibpoard();
    EXPECT_EQ(ContentsOf(partly), (Contents{{'PICT', "picture"}, {'TEXT', "earlier"}}));
}

}  // namespace
