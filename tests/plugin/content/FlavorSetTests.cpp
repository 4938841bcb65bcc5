// The flavor set itself, flavors made from text, and flavor types as strings.
#include "content/FlavorSet.h"
#include "support/CFObj.h"

#include "FlavorSetTesting.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using flavortesting::BytesOf;
using flavortesting::Contents;
using flavortesting::ContentsOf;
using flavortesting::TestFlavorSet;
using flavortesting::UnitsOf;
using texttest::CreateString;

// The first block stored for a type stays, as the clipboard tests show; an empty one never enters.
TEST(FlavorSetStore, EmptyBlocksNeverEnter)
{
    TestFlavorSet set;
    set.StoreFlavor('PICT', NewPtr(0));
    set.StoreFlavor('moov', nullptr);
    EXPECT_FALSE(set.AnyContentAvailable());
}

TEST(FlavorSetText, TextGivesSystemTextWhereItCanAndUnicodeWithAByteOrderMark)
{
    const struct {
        std::u16string text;
        Contents flavors;
    } cases[] = {
        {u"abc", {{'TEXT', "abc"}, {'utxt', BytesOf(u"\uFEFFabc")}}},
        {u"caf\u00E9", {{'TEXT', "caf\x8E"}, {'utxt', BytesOf(u"\uFEFFcaf\u00E9")}}},  // Mac OS Roman
        {u"x\u03B1y", {{'utxt', BytesOf(u"\uFEFFx\u03B1y")}}},  // no alpha in the system encoding
        {u"", {}},
    };
    for (const auto& c : cases) {
        CFObj<CFStringRef> text(CreateString(c.text));
        SCOPED_TRACE(texttest::TextOf(text));
        TestFlavorSet fromString;
        fromString.CreateFromCFString(text);
        EXPECT_EQ(ContentsOf(fromString), c.flavors);
        // UTF-8 bytes, with or without a byte-order mark (which is no part of the text).
        for (const std::string& mark : {std::string(), std::string("\xEF\xBB\xBF")}) {
            const std::string utf8 = mark + texttest::TextOf(text);
            TestFlavorSet fromUTF8;
            fromUTF8.CreateFromUTF8Text(reinterpret_cast<const UInt8*>(utf8.data()), static_cast<UInt32>(utf8.size()));
            EXPECT_EQ(ContentsOf(fromUTF8), c.flavors) << mark.size();
        }
    }

    TestFlavorSet none;
    none.CreateFromCFString(nullptr);
    none.CreateFromUTF8Text(nullptr, 3);
    none.CreateFromUTF8Text(reinterpret_cast<const UInt8*>("abc"), 0);
    const UInt8 broken[] = {0x61, 0xC3, 0x28};  // not UTF-8: no text at all
    none.CreateFromUTF8Text(broken, sizeof broken);
    EXPECT_FALSE(none.AnyContentAvailable());
}

TEST(FlavorSetText, ARefusedBlockThrowsTheMemoryErrorAndLeaksNothing)
{
    CFObj<CFStringRef> text(CreateString(u"abc"));
    TestFlavorSet set;
    PlatformFailNextAllocationsForTesting(1);
    EXPECT_THROW(set.CreateFromCFString(text), OSErr);
    PlatformFailNextAllocationsForTesting(0);
    EXPECT_FALSE(set.AnyContentAvailable());
    // Nothing half-made is left behind: the same text can be read again.
    set.CreateFromCFString(text);
    EXPECT_EQ(set.size(), 2u);
}

TEST(FlavorSetTypeStrings, FourCharCodesAndStringsConvertBothWays)
{
    CFObj<CFStringRef> sound(FlavorSet::CreateCFStringFromFourCharCode('snd '));
    EXPECT_EQ(UnitsOf(sound), u"snd ");
    EXPECT_EQ(FlavorSet::CreateFourCharCodeFromCFString(sound), 0x736E6420u);
    EXPECT_EQ(FlavorSet::CreateFourCharCodeFromCFString(nullptr), 0u);

    // Bytes of 0x80 and more are Mac OS Roman characters: 0xA5 is the bullet, 0xDB the euro sign.
    CFObj<CFStringRef> high(FlavorSet::CreateCFStringFromFourCharCode(0xA5DB6100u));
    EXPECT_EQ(UnitsOf(high), std::u16string(u"\u2022\u20ACa") + u'\0');
    EXPECT_EQ(FlavorSet::CreateFourCharCodeFromCFString(high), 0xA5DB6100u);

    CFObj<CFStringRef> longer(CreateString(u"TEXTplus"));
    EXPECT_EQ(FlavorSet::CreateFourCharCodeFromCFString(longer), 'TEXT');
    CFObj<CFStringRef> shorter(CreateString(u"ab"));
    EXPECT_EQ(FlavorSet::CreateFourCharCodeFromCFString(shorter), 0x61620000u);
    CFObj<CFStringRef> tooLong(CreateString(u"0123456789abcdef"));
    EXPECT_EQ(FlavorSet::CreateFourCharCodeFromCFString(tooLong), 0u);
    CFObj<CFStringRef> notRoman(CreateString(u"\u03B1bcd"));
    EXPECT_EQ(FlavorSet::CreateFourCharCodeFromCFString(notRoman), 0u);
}

}  // namespace
