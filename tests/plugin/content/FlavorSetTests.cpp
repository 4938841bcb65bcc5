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
using flavortesting::TestFlavorSet;
using flavortesting::UnitsOf;

CFStringRef CreateString(const std::u16string& units)
{
    return CFStringCreateWithCharacters(kCFAllocatorDefault, reinterpret_cast<const UniChar*>(units.data()),
                                        static_cast<CFIndex>(units.size()));
}

std::vector<std::u16string> TypeStringsOf(FlavorSet& set)
{
    CFObj<CFMutableArrayRef> strings(set.CreateFlavorTypeStringsArray());
    std::vector<std::u16string> result;
    if (strings.Get() == nullptr) {
        ADD_FAILURE() << "no array";
        return result;
    }
    for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i) {
        result.push_back(UnitsOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, i))));
    }
    return result;
}

TEST(FlavorSetStore, TheFirstBlockForATypeStaysAndEmptyBlocksNeverEnter)
{
    TestFlavorSet set;
    EXPECT_FALSE(set.AnyContentAvailable());
    EXPECT_FALSE(set.mUsePlainText);
    set.Add('TEXT', "first");
    set.Add('TEXT', "second");
    set.StoreFlavor('PICT', NewPtr(0));
    set.StoreFlavor('moov', nullptr);
    EXPECT_TRUE(set.AnyContentAvailable());
    EXPECT_EQ(set.size(), 1u);
    EXPECT_EQ(BytesOf(set, 'TEXT'), "first");
}

TEST(FlavorSetText, AbcGivesThreeBytesOfTextAndUnicodeWithByteOrderMark)
{
    TestFlavorSet set;
    CFObj<CFStringRef> text(CreateString(u"abc"));
    set.CreateFromCFString(text);
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(BytesOf(set, 'TEXT'), "\x61\x62\x63");
    EXPECT_EQ(BytesOf(set, 'utxt'), BytesOf(u"\uFEFFabc"));
    EXPECT_EQ(BytesOf(set, 'utxt').size(), 8u);
}

TEST(FlavorSetText, TextTheSystemEncodingCannotHoldGivesOnlyUnicode)
{
    TestFlavorSet set;
    CFObj<CFStringRef> text(CreateString(u"x\u03B1y"));
    set.CreateFromCFString(text);
    EXPECT_EQ(set.size(), 1u);
    EXPECT_EQ(BytesOf(set, 'utxt'), BytesOf(u"\uFEFFx\u03B1y"));
    EXPECT_EQ(BytesOf(set, 'TEXT'), "<none>");
}

TEST(FlavorSetText, NullOrEmptyTextAddsNothing)
{
    TestFlavorSet set;
    CFObj<CFStringRef> empty(CreateString(u""));
    set.CreateFromCFString(nullptr);
    set.CreateFromCFString(empty);
    set.CreateFromUTF8Text(nullptr, 3);
    set.CreateFromUTF8Text(reinterpret_cast<const UInt8*>("abc"), 0);
    // Bytes that are not UTF-8 decode to no text at all.
    const UInt8 broken[] = {0x61, 0xC3, 0x28};
    set.CreateFromUTF8Text(broken, sizeof broken);
    EXPECT_FALSE(set.AnyContentAvailable());
}

TEST(FlavorSetText, UTF8TextLosesItsByteOrderMarkAndConvertsToMacRoman)
{
    TestFlavorSet set;
    const std::string utf8 = "\xEF\xBB\xBF" "caf\xC3\xA9";
    set.CreateFromUTF8Text(reinterpret_cast<const UInt8*>(utf8.data()), static_cast<UInt32>(utf8.size()));
    EXPECT_EQ(BytesOf(set, 'TEXT'), "caf\x8E");
    EXPECT_EQ(BytesOf(set, 'utxt'), BytesOf(u"\uFEFFcaf\u00E9"));
}

TEST(FlavorSetText, ASecondReaderKeepsTheFlavorsOfTheFirst)
{
    TestFlavorSet set;
    set.Add('TEXT', "kept");
    CFObj<CFStringRef> text(CreateString(u"new"));
    set.CreateFromCFString(text);
    EXPECT_EQ(BytesOf(set, 'TEXT'), "kept");
    EXPECT_EQ(BytesOf(set, 'utxt'), BytesOf(u"\uFEFFnew"));
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

TEST(FlavorSetTypeStrings, AscendingOrderAndThePlainTextFilter)
{
    TestFlavorSet set;
    set.Add('utxt', "u");
    set.Add('TEXT', "t");
    set.Add('PICT', "p");
    set.Add('snd ', "s");
    EXPECT_EQ(TypeStringsOf(set), (std::vector<std::u16string>{u"PICT", u"TEXT", u"snd ", u"utxt"}));
    set.mUsePlainText = true;
    EXPECT_EQ(TypeStringsOf(set), (std::vector<std::u16string>{u"TEXT", u"utxt"}));

    TestFlavorSet noText;
    noText.Add('PICT', "p");
    noText.mUsePlainText = true;
    EXPECT_TRUE(TypeStringsOf(noText).empty());
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
