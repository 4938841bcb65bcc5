// Strings: creation from bytes and C strings, conversion back, external representations, mutable
// strings and their limits, comparison, searching, splitting and joining, and numbers in text.
#include "StringTestSupport.h"

#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using platform::AdoptCF;
using testing_cf::MakeString;
using testing_cf::MakeUnits;
using testing_cf::Units;
using testing_cf::UTF8;

const UInt8* AsBytes(const char* text)
{
    return reinterpret_cast<const UInt8*>(text);
}

TEST(StringBytes, InvalidBytesCreateNoString)
{
    EXPECT_EQ(CFStringCreateWithBytes(nullptr, AsBytes("a\xC3"), 2, kCFStringEncodingUTF8, false), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "caf\xE9", kCFStringEncodingASCII), nullptr);
    EXPECT_EQ(CFStringCreateWithBytes(nullptr, AsBytes("abc"), 3, kCFStringEncodingUnicode, true), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);
    auto empty = AdoptCF<CFStringRef>(CFStringCreateWithBytes(nullptr, nullptr, 0, kCFStringEncodingUTF8, false));
    ASSERT_NE(empty.Get(), nullptr);
    EXPECT_EQ(CFStringGetLength(empty.Get()), 0);
}

TEST(StringBytes, GetCStringNeedsRoomForTheTerminatorAndEveryCharacter)
{
    auto text = AdoptCF<CFStringRef>(MakeUnits(u"caf\u00E9"));
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(CFStringGetCString(text.Get(), buffer, 4, kCFStringEncodingMacRoman));
    EXPECT_EQ(buffer[0], '\0');  // no partial text is left behind
    EXPECT_TRUE(CFStringGetCString(text.Get(), buffer, 5, kCFStringEncodingMacRoman));
    EXPECT_STREQ(buffer, "caf\x8E");
    auto back = AdoptCF<CFStringRef>(CFStringCreateWithCString(nullptr, buffer, kCFStringEncodingMacRoman));
    EXPECT_TRUE(CFEqual(back.Get(), text.Get()));
    EXPECT_FALSE(CFStringGetCString(text.Get(), buffer, 5, kCFStringEncodingUTF8));  // é takes two bytes
    EXPECT_TRUE(CFStringGetCString(text.Get(), buffer, 6, kCFStringEncodingUTF8));
    EXPECT_STREQ(buffer, "caf\xC3\xA9");

    // A character the encoding lacks fails the whole conversion.
    auto wide = AdoptCF<CFStringRef>(MakeUnits(u"x\u0100"));
    EXPECT_FALSE(CFStringGetCString(wide.Get(), buffer, sizeof buffer, kCFStringEncodingMacRoman));
    EXPECT_FALSE(CFStringGetCString(wide.Get(), buffer, sizeof buffer, kCFStringEncodingASCII));
}

TEST(StringBytes, GetBytesMeasuresWithANullBufferAndStopsWhenFull)
{
    auto text = AdoptCF<CFStringRef>(MakeUnits(u"\u00E9t\u00E9\U0001F600"));
    CFIndex used = -1;
    CFIndex converted =
        CFStringGetBytes(text.Get(), CFRangeMake(0, 5), kCFStringEncodingUTF8, 0, false, nullptr, 0, &used);
    EXPECT_EQ(converted, 5);
    EXPECT_EQ(used, 9);

    UInt8 buffer[8] = {};
    converted = CFStringGetBytes(text.Get(), CFRangeMake(0, 5), kCFStringEncodingUTF8, 0, false, buffer, 4, &used);
    EXPECT_EQ(converted, 2);  // the second é would need bytes 4 and 5
    EXPECT_EQ(used, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "\xC3\xA9t");

    converted = CFStringGetBytes(text.Get(), CFRangeMake(1, 2), kCFStringEncodingMacRoman, 0, false, buffer, 8, &used);
    EXPECT_EQ(converted, 2);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "t\x8E");

    // Mac OS Roman has no emoji: without a loss byte nothing of it converts, with one a single byte stands in.
    converted = CFStringGetBytes(text.Get(), CFRangeMake(3, 2), kCFStringEncodingMacRoman, 0, false, nullptr, 0, &used);
    EXPECT_EQ(converted, 0);
    EXPECT_EQ(used, 0);
    converted =
        CFStringGetBytes(text.Get(), CFRangeMake(3, 2), kCFStringEncodingMacRoman, '?', false, buffer, 8, &used);
    EXPECT_EQ(converted, 2);
    EXPECT_EQ(used, 1);
    EXPECT_EQ(buffer[0], '?');
    // The same loss byte in a whole external representation.
    auto lossy =
        AdoptCF<CFDataRef>(CFStringCreateExternalRepresentation(nullptr, text.Get(), kCFStringEncodingMacRoman, '?'));
    ASSERT_EQ(lossy ? CFDataGetLength(lossy.Get()) : 0, 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(lossy.Get())), 4), "\x8Et\x8E?");
}

TEST(StringEncodings, MaximumSizes)
{
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingUTF8), 30);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingUnicode), 20);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingMacRoman), 10);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingASCII), 10);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, 0x7777), kCFNotFound);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(LONG_MAX / 2, kCFStringEncodingUTF8), kCFNotFound);
}

TEST(MutableString, CopiesHoldTheirOwnTextWhileEditsChangeIt)
{
    auto source = AdoptCF<CFMutableStringRef>(CFStringCreateMutableCopy(nullptr, 0, CFSTR("hello world")));
    auto copy = AdoptCF<CFStringRef>(CFStringCreateCopy(nullptr, source.Get()));
    CFStringAppend(source.Get(), CFSTR(" changed"));
    EXPECT_EQ(UTF8(copy.Get()), "hello world");
    EXPECT_EQ(CFStringGetCharactersPtr(source.Get()), nullptr);  // mutable storage may move
    ASSERT_NE(CFStringGetCharactersPtr(copy.Get()), nullptr);
    EXPECT_EQ(CFStringGetCharactersPtr(copy.Get())[0], u'h');

    // Edits change the text.
    auto text = AdoptCF<CFMutableStringRef>(CFStringCreateMutable(nullptr, 0));
    CFStringAppend(text.Get(), CFSTR("hello world"));
    const UniChar bang[] = {'!'};
    CFStringAppendCharacters(text.Get(), bang, 1);
    CFStringAppendCString(text.Get(), " caf\xC3\xA9", kCFStringEncodingUTF8);
    EXPECT_EQ(UTF8(text.Get()), "hello world! caf\xC3\xA9");
    CFStringAppendCString(text.Get(), "bad\xFF", kCFStringEncodingUTF8);  // not UTF-8: nothing appended
    EXPECT_EQ(CFStringGetLength(text.Get()), 17);
    CFStringAppend(text.Get(), text.Get());  // a string appended to itself doubles
    EXPECT_EQ(CFStringGetLength(text.Get()), 34);
}

TEST(MutableString, ChangesBeyondTheMaximumLengthAreRefusedWhole)
{
    auto text = AdoptCF<CFMutableStringRef>(CFStringCreateMutable(nullptr, 5));
    CFStringAppend(text.Get(), CFSTR("abc"));
    CFStringAppend(text.Get(), CFSTR("def"));  // would make 6
    EXPECT_EQ(UTF8(text.Get()), "abc");
    CFStringAppend(text.Get(), CFSTR("de"));
    EXPECT_EQ(UTF8(text.Get()), "abcde");

    EXPECT_EQ(CFStringCreateMutableCopy(nullptr, 3, CFSTR("four")), nullptr);
    auto fits = AdoptCF<CFMutableStringRef>(CFStringCreateMutableCopy(nullptr, 4, CFSTR("four")));
    ASSERT_NE(fits.Get(), nullptr);
    EXPECT_EQ(UTF8(fits.Get()), "four");
}

TEST(MutableStringDeathTest, ImmutableStringsAbort)
{
    auto fixed = AdoptCF<CFStringRef>(MakeString("fixed"));
    EXPECT_DEATH(CFStringAppend(const_cast<CFMutableStringRef>(fixed.Get()), CFSTR("x")), "immutable");
}

}  // namespace
