// Strings: creation from bytes and C strings, conversion back, external representations, mutable
// strings and their limits, comparison, searching, splitting and joining, and numbers in text.
#include "StringTestSupport.h"

#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using testing_cf::Bytes;
using testing_cf::MakeString;
using testing_cf::MakeUnits;
using testing_cf::OwnedRef;
using testing_cf::Units;
using testing_cf::UTF8;

using String = OwnedRef<CFStringRef>;
using MutableString = OwnedRef<CFMutableStringRef>;
using Data = OwnedRef<CFDataRef>;
using Array = OwnedRef<CFArrayRef>;

const UInt8* AsBytes(const char* text)
{
    return reinterpret_cast<const UInt8*>(text);
}

TEST(StringBytes, MacRomanBytesDecodeToTheirCharacters)
{
    String text(CFStringCreateWithBytes(nullptr, AsBytes("\x8E\xDB\xA5\xF0"), 4, kCFStringEncodingMacRoman, false));
    ASSERT_NE(text.get(), nullptr);
    EXPECT_EQ(Units(text), u"\u00E9\u20AC\u2022\uF8FF");

    String fromC(CFStringCreateWithCString(nullptr, "caf\x8E", kCFStringEncodingMacRoman));
    ASSERT_NE(fromC.get(), nullptr);
    EXPECT_EQ(Units(fromC), u"caf\u00E9");
}

TEST(StringBytes, InvalidBytesCreateNoString)
{
    EXPECT_EQ(CFStringCreateWithBytes(nullptr, AsBytes("a\xC3"), 2, kCFStringEncodingUTF8, false), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "caf\xE9", kCFStringEncodingASCII), nullptr);
    EXPECT_EQ(CFStringCreateWithBytes(nullptr, AsBytes("abc"), 3, kCFStringEncodingUnicode, true), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);
    String empty(CFStringCreateWithBytes(nullptr, nullptr, 0, kCFStringEncodingUTF8, false));
    ASSERT_NE(empty.get(), nullptr);
    EXPECT_EQ(CFStringGetLength(empty), 0);
}

TEST(StringBytes, GetCStringNeedsRoomForTheTerminator)
{
    String text(MakeUnits(u"caf\u00E9"));
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(CFStringGetCString(text, buffer, 4, kCFStringEncodingMacRoman));
    EXPECT_EQ(buffer[0], '\0');  // no partial text is left behind
    EXPECT_TRUE(CFStringGetCString(text, buffer, 5, kCFStringEncodingMacRoman));
    EXPECT_STREQ(buffer, "caf\x8E");
    EXPECT_FALSE(CFStringGetCString(text, buffer, 5, kCFStringEncodingUTF8));  // é takes two bytes
    EXPECT_TRUE(CFStringGetCString(text, buffer, 6, kCFStringEncodingUTF8));
    EXPECT_STREQ(buffer, "caf\xC3\xA9");
}

TEST(StringBytes, GetCStringFailsOnUnrepresentableCharacters)
{
    String text(MakeUnits(u"x\u0100"));
    char buffer[16];
    EXPECT_FALSE(CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingMacRoman));
    EXPECT_FALSE(CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingASCII));
    EXPECT_EQ(CFStringGetCStringPtr(text, kCFStringEncodingMacRoman), nullptr);
}

TEST(StringBytes, GetBytesMeasuresWithANullBufferAndStopsWhenFull)
{
    String text(MakeUnits(u"\u00E9t\u00E9\U0001F600"));
    CFIndex used = -1;
    CFIndex converted = CFStringGetBytes(text, CFRangeMake(0, 5), kCFStringEncodingUTF8, 0, false, nullptr, 0, &used);
    EXPECT_EQ(converted, 5);
    EXPECT_EQ(used, 9);

    UInt8 buffer[8] = {};
    converted = CFStringGetBytes(text, CFRangeMake(0, 5), kCFStringEncodingUTF8, 0, false, buffer, 4, &used);
    EXPECT_EQ(converted, 2);  // the second é would need bytes 4 and 5
    EXPECT_EQ(used, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "\xC3\xA9t");

    converted = CFStringGetBytes(text, CFRangeMake(1, 2), kCFStringEncodingMacRoman, 0, false, buffer, 8, &used);
    EXPECT_EQ(converted, 2);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "t\x8E");

    // Mac OS Roman has no emoji: without a loss byte nothing of it converts, with one a single byte stands in.
    converted = CFStringGetBytes(text, CFRangeMake(3, 2), kCFStringEncodingMacRoman, 0, false, nullptr, 0, &used);
    EXPECT_EQ(converted, 0);
    EXPECT_EQ(used, 0);
    converted = CFStringGetBytes(text, CFRangeMake(3, 2), kCFStringEncodingMacRoman, '?', false, buffer, 8, &used);
    EXPECT_EQ(converted, 2);
    EXPECT_EQ(used, 1);
    EXPECT_EQ(buffer[0], '?');
}

TEST(StringExternalRepresentation, UnicodeStartsWithAHostOrderMarkAndReadsBack)
{
    String text(MakeUnits(u"Hi \u20AC\U0001F600"));
    Data data(CFStringCreateExternalRepresentation(nullptr, text, kCFStringEncodingUnicode, 0));
    ASSERT_NE(data.get(), nullptr);
    ASSERT_EQ(CFDataGetLength(data), 2 * (1 + 6));
    UniChar mark;
    std::memcpy(&mark, CFDataGetBytePtr(data), 2);
    EXPECT_EQ(mark, 0xFEFF);

    String back(CFStringCreateWithBytes(nullptr, CFDataGetBytePtr(data), CFDataGetLength(data),
                                        kCFStringEncodingUnicode, true));
    ASSERT_NE(back.get(), nullptr);
    EXPECT_TRUE(CFEqual(back, text));
}

TEST(StringExternalRepresentation, SystemEncodingFailsWithoutALossByteAndSubstitutesWithOne)
{
    ASSERT_EQ(CFStringGetSystemEncoding(), kCFStringEncodingMacRoman);
    String roman(MakeUnits(u"5\u20AC \u2022"));
    Data ok(CFStringCreateExternalRepresentation(nullptr, roman, CFStringGetSystemEncoding(), 0));
    ASSERT_NE(ok.get(), nullptr);
    EXPECT_EQ(Bytes(ok), "5\xDB \xA5");

    String greek(MakeUnits(u"\u03B1=1"));
    EXPECT_EQ(CFStringCreateExternalRepresentation(nullptr, greek, kCFStringEncodingMacRoman, 0), nullptr);
    Data lossy(CFStringCreateExternalRepresentation(nullptr, greek, kCFStringEncodingMacRoman, '?'));
    ASSERT_NE(lossy.get(), nullptr);
    EXPECT_EQ(Bytes(lossy), "?=1");
}

TEST(StringEncodings, MaximumSizesAndAvailability)
{
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingUTF8), 30);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingUnicode), 20);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingMacRoman), 10);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingASCII), 10);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, 0x7777), kCFNotFound);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(LONG_MAX / 2, kCFStringEncodingUTF8), kCFNotFound);
    EXPECT_TRUE(CFStringIsEncodingAvailable(kCFStringEncodingMacRoman));
    EXPECT_TRUE(CFStringIsEncodingAvailable(kCFStringEncodingUTF8));
    EXPECT_FALSE(CFStringIsEncodingAvailable(kCFStringEncodingInvalidId));
}

TEST(StringCopies, CopiesAndSubstringsHoldTheirOwnText)
{
    MutableString source(CFStringCreateMutableCopy(nullptr, 0, CFSTR("hello world")));
    String copy(CFStringCreateCopy(nullptr, source));
    String part(CFStringCreateWithSubstring(nullptr, source, CFRangeMake(6, 5)));
    CFStringReplaceAll(source, CFSTR("changed"));
    EXPECT_EQ(UTF8(copy), "hello world");
    EXPECT_EQ(UTF8(part), "world");
    EXPECT_EQ(CFStringGetCharactersPtr(source), nullptr);  // mutable storage may move
    ASSERT_NE(CFStringGetCharactersPtr(copy), nullptr);
    EXPECT_EQ(CFStringGetCharactersPtr(copy)[0], u'h');
}

TEST(MutableString, EditsChangeTheText)
{
    MutableString text(CFStringCreateMutable(nullptr, 0));
    CFStringAppend(text, CFSTR("world"));
    CFStringInsert(text, 0, CFSTR("hello "));
    const UniChar bang[] = {'!', '!'};
    CFStringAppendCharacters(text, bang, 2);
    CFStringAppendCString(text, " caf\xC3\xA9", kCFStringEncodingUTF8);
    EXPECT_EQ(UTF8(text), "hello world!! caf\xC3\xA9");
    CFStringDelete(text, CFRangeMake(11, 1));
    CFStringReplace(text, CFRangeMake(0, 5), CFSTR("HELLO"));
    EXPECT_EQ(UTF8(text), "HELLO world! caf\xC3\xA9");
    CFStringAppendCString(text, "bad\xFF", kCFStringEncodingUTF8);  // not UTF-8: nothing appended
    EXPECT_EQ(CFStringGetLength(text), 17);
    CFStringAppend(text, text);  // a string appended to itself doubles
    EXPECT_EQ(CFStringGetLength(text), 34);
    CFStringReplaceAll(text, CFSTR(""));
    EXPECT_EQ(CFStringGetLength(text), 0);
}

TEST(MutableString, ChangesBeyondTheMaximumLengthAreRefusedWhole)
{
    MutableString text(CFStringCreateMutable(nullptr, 5));
    CFStringAppend(text, CFSTR("abc"));
    CFStringAppend(text, CFSTR("def"));  // would make 6
    EXPECT_EQ(UTF8(text), "abc");
    CFStringAppend(text, CFSTR("de"));
    EXPECT_EQ(UTF8(text), "abcde");
    CFStringInsert(text, 0, CFSTR("x"));
    CFStringAppendFormat(text, nullptr, CFSTR("%d"), 7);
    EXPECT_EQ(UTF8(text), "abcde");
    CFStringReplace(text, CFRangeMake(0, 2), CFSTR("XY"));  // same length: allowed
    EXPECT_EQ(UTF8(text), "XYcde");
    CFStringReplace(text, CFRangeMake(0, 2), CFSTR("XYZ"));
    EXPECT_EQ(UTF8(text), "XYcde");

    EXPECT_EQ(CFStringCreateMutableCopy(nullptr, 3, CFSTR("four")), nullptr);
    MutableString fits(CFStringCreateMutableCopy(nullptr, 4, CFSTR("four")));
    ASSERT_NE(fits.get(), nullptr);
    EXPECT_EQ(UTF8(fits), "four");
}

TEST(MutableStringDeathTest, ImmutableStringsAndBadRangesAbort)
{
    String fixed(MakeString("fixed"));
    EXPECT_DEATH(CFStringAppend(const_cast<CFMutableStringRef>(fixed.get()), CFSTR("x")), "immutable");
    MutableString text(CFStringCreateMutableCopy(nullptr, 0, CFSTR("abc")));
    EXPECT_DEATH(CFStringDelete(text, CFRangeMake(2, 2)), "out of bounds");
    EXPECT_DEATH(CFStringInsert(text, 4, CFSTR("x")), "out of range");
}

TEST(StringCompare, LiteralCaseInsensitiveAndNumericOrders)
{
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("abd"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("ab"), 0), kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("abc"), 0), kCFCompareEqualTo);
    EXPECT_EQ(CFStringCompare(CFSTR("ABC"), CFSTR("abc"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("ABC"), CFSTR("abc"), kCFCompareCaseInsensitive), kCFCompareEqualTo);

    String upper(MakeUnits(u"\u00C9T\u00C9 \u0178 \u0152 \u0391\u03A3"));
    String lower(MakeUnits(u"\u00E9t\u00E9 \u00FF \u0153 \u03B1\u03C2"));
    EXPECT_EQ(CFStringCompare(upper, lower, kCFCompareCaseInsensitive), kCFCompareEqualTo);
    // The multiplication and division signs are not a case pair.
    String times(MakeUnits(u"\u00D7"));
    String divide(MakeUnits(u"\u00F7"));
    EXPECT_NE(CFStringCompare(times, divide, kCFCompareCaseInsensitive), kCFCompareEqualTo);

    EXPECT_EQ(CFStringCompare(CFSTR("clip 9"), CFSTR("clip 10"), 0), kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(CFSTR("clip 9"), CFSTR("clip 10"), kCFCompareNumerically), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("v007b"), CFSTR("v7a"), kCFCompareNumerically), kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(CFSTR("Clip 2"), CFSTR("clip 02"),
                              kCFCompareNumerically | kCFCompareCaseInsensitive),
              kCFCompareEqualTo);
}

TEST(StringFind, ForwardBackwardAnchoredAndIgnoringCase)
{
    CFStringRef text = CFSTR("one two one TWO");
    CFRange found = CFStringFind(text, CFSTR("one"), 0);
    EXPECT_EQ(found.location, 0);
    EXPECT_EQ(found.length, 3);
    EXPECT_EQ(CFStringFind(text, CFSTR("one"), kCFCompareBackwards).location, 8);
    EXPECT_EQ(CFStringFind(text, CFSTR("TWO"), 0).location, 12);
    EXPECT_EQ(CFStringFind(text, CFSTR("TWO"), kCFCompareCaseInsensitive).location, 4);
    EXPECT_EQ(CFStringFind(text, CFSTR("two"), kCFCompareAnchored).location, kCFNotFound);
    EXPECT_EQ(CFStringFind(text, CFSTR("two"),
                           kCFCompareAnchored | kCFCompareBackwards | kCFCompareCaseInsensitive)
                  .location,
              12);
    EXPECT_EQ(CFStringFind(text, CFSTR("three"), 0).location, kCFNotFound);
    EXPECT_EQ(CFStringFind(text, CFSTR(""), 0).location, kCFNotFound);
    EXPECT_EQ(CFStringFind(CFSTR("ab"), CFSTR("abc"), 0).location, kCFNotFound);

    EXPECT_TRUE(CFStringHasPrefix(text, CFSTR("one ")));
    EXPECT_FALSE(CFStringHasPrefix(text, CFSTR("two")));
    EXPECT_TRUE(CFStringHasSuffix(text, CFSTR("TWO")));
    EXPECT_FALSE(CFStringHasSuffix(text, CFSTR("two")));
    EXPECT_FALSE(CFStringHasSuffix(CFSTR("O"), CFSTR("TWO")));
}

TEST(StringArrays, SeparatingKeepsEmptyPiecesAndCombiningRestoresTheText)
{
    Array pieces(CFStringCreateArrayBySeparatingStrings(nullptr, CFSTR(",a,,bc,"), CFSTR(",")));
    ASSERT_NE(pieces.get(), nullptr);
    ASSERT_EQ(CFArrayGetCount(pieces), 5);
    const char* expected[] = {"", "a", "", "bc", ""};
    for (CFIndex i = 0; i < 5; ++i) {
        EXPECT_EQ(UTF8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(pieces, i))), expected[i]);
    }
    String joined(CFStringCreateByCombiningStrings(nullptr, pieces, CFSTR(",")));
    EXPECT_EQ(UTF8(joined), ",a,,bc,");

    Array whole(CFStringCreateArrayBySeparatingStrings(nullptr, CFSTR("a--b"), CFSTR("+")));
    ASSERT_EQ(CFArrayGetCount(whole), 1);
    EXPECT_EQ(UTF8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(whole, 0))), "a--b");

    Array multi(CFStringCreateArrayBySeparatingStrings(nullptr, CFSTR("a--b---c"), CFSTR("--")));
    ASSERT_EQ(CFArrayGetCount(multi), 3);
    EXPECT_EQ(UTF8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(multi, 2))), "-c");

    Array none(CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks));
    String empty(CFStringCreateByCombiningStrings(nullptr, none, CFSTR(", ")));
    EXPECT_EQ(CFStringGetLength(empty), 0);
}

TEST(StringNumbers, IntValueReadsTheLeadingDecimalNumber)
{
    EXPECT_EQ(CFStringGetIntValue(CFSTR("42")), 42);
    EXPECT_EQ(CFStringGetIntValue(CFSTR("  -17 apples")), -17);
    EXPECT_EQ(CFStringGetIntValue(CFSTR("+8")), 8);
    EXPECT_EQ(CFStringGetIntValue(CFSTR("apples")), 0);
    EXPECT_EQ(CFStringGetIntValue(CFSTR("")), 0);
    EXPECT_EQ(CFStringGetIntValue(CFSTR("99999999999999999999")), 2147483647);
    EXPECT_EQ(CFStringGetIntValue(CFSTR("-2147483648")), -2147483647 - 1);
    EXPECT_EQ(CFStringGetIntValue(CFSTR("-99999999999")), -2147483647 - 1);
}

}  // namespace
