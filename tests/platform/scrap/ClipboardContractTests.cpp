// What every clipboard behind the Scrap Manager does, whichever keeps the flavors: what goes on it
// comes back, in order, with its flags; the argument checks; references across clears; the limits.
#include "ScrapTestSupport.h"

#include "desktop/DesktopClipboard.h"
#include "scrap/ClipboardBackend.h"
#include "scrap/ScrapManifest.h"
#include "support/HeadlessSway.h"
#include "support/XvfbDisplay.h"
#include "wayland/WaylandClipboard.h"

#include <cstring>
#include <memory>

namespace {

using namespace scraptest;

template <PlatformClipboardKind Kind>
struct Backend {
    static constexpr bool kDesktop = false;
    static constexpr bool kWayland = false;
    static constexpr PlatformClipboardKind kKind = Kind;
};

// The CLIPBOARD of a display of the test's own.
struct Desktop {
    static constexpr bool kDesktop = true;
    static constexpr bool kWayland = false;
    static constexpr PlatformClipboardKind kKind = kPlatformClipboardFolder;
};

// The clipboard of a Wayland compositor of the test's own.
struct Wayland {
    static constexpr bool kDesktop = false;
    static constexpr bool kWayland = true;
    static constexpr PlatformClipboardKind kKind = kPlatformClipboardFolder;
};

struct BackendNames {
    template <class T>
    static std::string GetName(int)
    {
        return T::kWayland ? "Wayland" : T::kDesktop ? "Desktop" : T::kKind == kPlatformClipboardFolder ? "Folder" : "Memory";
    }
};

template <class B>
class ClipboardContract : public ClipboardTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(PlatformUseClipboard(B::kKind), noErr);
        if (B::kDesktop) {
            mDisplay = std::make_unique<testsupport::XvfbDisplay>();
            auto backend = platform::desktop::MakeDesktopClipboard(mDisplay->Name().c_str());
            ASSERT_TRUE(backend.Ok()) << backend.Reason();
            platform::scrap::InstallClipboardBackend(std::move(backend.Value()));
        }
        if (B::kWayland) {
            mSway = std::make_unique<testsupport::HeadlessSway>();
            auto backend = platform::wayland::MakeWaylandClipboard(mSway->Socket().c_str());
            ASSERT_TRUE(backend.Ok()) << backend.Reason();
            platform::scrap::InstallClipboardBackend(std::move(backend.Value()));
        }
    }
    void TearDown() override { PlatformUseClipboard(kPlatformClipboardFolder); }

    std::unique_ptr<testsupport::XvfbDisplay> mDisplay;
    std::unique_ptr<testsupport::HeadlessSway> mSway;
};

using Backends = testing::Types<Backend<kPlatformClipboardFolder>, Backend<kPlatformClipboardMemory>, Desktop, Wayland>;
TYPED_TEST_SUITE(ClipboardContract, Backends, BackendNames);

TYPED_TEST(ClipboardContract, AFreshClipboardHasOneEmptyGeneration)
{
    ScrapRef scrap = this->CurrentScrap();
    ASSERT_NE(scrap, nullptr);
    UInt32 count = 99;
    EXPECT_EQ(GetScrapFlavorCount(scrap, &count), noErr);
    EXPECT_EQ(count, 0u);
    ScrapRef again = nullptr;
    ASSERT_EQ(GetCurrentScrap(&again), noErr);
    EXPECT_EQ(again, scrap) << "one reference per generation";
}

TYPED_TEST(ClipboardContract, FlavorsComeBackInTheOrderTheyWerePut)
{
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    ScrapRef scrap = this->CurrentScrap();
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

TYPED_TEST(ClipboardContract, FlagsAreKeptAndUnknownBitsRefused)
{
    ScrapRef scrap = this->CurrentScrap();
    ASSERT_EQ(PutString(scrap, 'TEXT', "x", kScrapFlavorMaskSenderOnly), noErr);
    ASSERT_EQ(PutString(scrap, 'utxt', "yy", kScrapFlavorMaskNone), noErr);
    EXPECT_EQ(PutString(scrap, 'PICT', "z", 0x80), illegalScrapFlavorFlagsErr);

    std::vector<ScrapFlavorInfo> info = FlavorList(scrap);
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].flavorFlags, static_cast<ScrapFlavorFlags>(kScrapFlavorMaskSenderOnly));
    EXPECT_EQ(info[1].flavorFlags, 0u);
}

TYPED_TEST(ClipboardContract, ATypeIsPutOnlyOnce)
{
    ScrapRef scrap = this->CurrentScrap();
    ASSERT_EQ(PutString(scrap, 'TEXT', "first"), noErr);
    EXPECT_EQ(PutString(scrap, 'TEXT', "second"), duplicateScrapFlavorErr);
    EXPECT_NE(LastClipboardError().find("'TEXT'"), std::string::npos) << LastClipboardError();
    EXPECT_EQ(ReadFlavor(scrap, 'TEXT'), "first");
    EXPECT_EQ(FlavorList(scrap).size(), 1u);
}

TYPED_TEST(ClipboardContract, BadArgumentsAreRefusedWithoutTouchingTheClipboard)
{
    ScrapRef scrap = this->CurrentScrap();
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

TYPED_TEST(ClipboardContract, DataCopiesAtMostTheByteCountAskedAndAnEmptyFlavorIsKept)
{
    ScrapRef scrap = this->CurrentScrap();
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

TYPED_TEST(ClipboardContract, ClearingStartsAnEmptyGenerationAndRetiresOldReferences)
{
    ScrapRef before = this->CurrentScrap();
    ASSERT_EQ(PutString(before, 'TEXT', "old"), noErr);
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    // The process let go of the old reference at the clear: a status, never freed memory.
    EXPECT_EQ(PutString(before, 'utxt', "x"), badScrapRefErr);
    UInt32 count = 5;
    EXPECT_EQ(GetScrapFlavorCount(before, &count), badScrapRefErr);

    ScrapRef after = this->CurrentScrap();
    EXPECT_NE(after, before);
    EXPECT_TRUE(FlavorList(after).empty());
    ASSERT_EQ(PutString(after, 'TEXT', "new"), noErr);
    EXPECT_EQ(ReadFlavor(after, 'TEXT'), "new");
}

TYPED_TEST(ClipboardContract, AReferenceSeesFlavorsPutThroughAnotherOfTheSameGeneration)
{
    ScrapRef reader = this->CurrentScrap();
    ASSERT_EQ(FlavorList(reader).size(), 0u);
    ScrapRef writer = this->CurrentScrap();
    ASSERT_EQ(PutString(writer, 'TEXT', "later"), noErr);
    EXPECT_EQ(ReadFlavor(reader, 'TEXT'), "later");
}

TYPED_TEST(ClipboardContract, AFlavorOf64MiBGoesThroughWhole)
{
    const size_t size = 64u << 20;
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    }
    ScrapRef scrap = this->CurrentScrap();
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

TYPED_TEST(ClipboardContract, AGenerationHoldsAtMostTheFlavorsAReaderCanKeepOpen)
{
    ScrapRef scrap = this->CurrentScrap();
    for (size_t i = 0; i < platform::scrap::kMaxManifestFlavors; ++i) {
        ASSERT_EQ(PutString(scrap, static_cast<ScrapFlavorType>('f000' + i), "x"), noErr) << i;
    }
    EXPECT_EQ(PutString(scrap, 'last', "x"), internalScrapErr);
    EXPECT_NE(LastClipboardError().find("the most it can"), std::string::npos) << LastClipboardError();
    UInt32 count = 0;
    ASSERT_EQ(GetScrapFlavorCount(scrap, &count), noErr);
    EXPECT_EQ(count, platform::scrap::kMaxManifestFlavors);
}

}  // namespace
