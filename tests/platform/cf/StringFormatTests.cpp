// Formatting strings: the C conversions with flags, widths, precisions and length modifiers,
// objects through %@, positional arguments, and formats that are wrong or hostile.
#include "StringTestSupport.h"

#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace {

using platform::AdoptCF;
using testing_cf::MakeString;
using testing_cf::Units;
using testing_cf::UTF8;

template <class... Args>
std::string Format(CFStringRef format, Args... args)
{
    auto result = AdoptCF<CFStringRef>(CFStringCreateWithFormat(nullptr, nullptr, format, args...));
    EXPECT_NE(result.Get(), nullptr);
    return result.Get() == nullptr ? std::string() : UTF8(result.Get());
}

TEST(StringFormat, IntegersWithFlagsWidthsAndPrecision)
{
    EXPECT_EQ(Format(CFSTR("[%5d|%-5d|%05d|%+d|%.3d]"), 42, 42, 42, 42, 7), "[   42|42   |00042|+42|007]");
    EXPECT_EQ(Format(CFSTR("%i %u"), -1, -1), "-1 4294967295");
    EXPECT_EQ(Format(CFSTR("%x %X %#x %o"), 255, 255, 255, 8), "ff FF 0xff 10");
    EXPECT_EQ(Format(CFSTR("%d%%"), 50), "50%");
}

TEST(StringFormat, LengthModifiersReadAndCutTheRightSize)
{
    EXPECT_EQ(Format(CFSTR("%hd %hu %hhu %hhd"), 70000, 70000, 257, 255), "4464 4464 1 -1");
    EXPECT_EQ(Format(CFSTR("%ld %lu"), LONG_MIN, ULONG_MAX), std::to_string(LONG_MIN) + " " + std::to_string(ULONG_MAX));
    EXPECT_EQ(Format(CFSTR("%lld|%llx"), LLONG_MIN, 0xFEDCBA9876543210ULL),
              std::to_string(LLONG_MIN) + "|fedcba9876543210");
    EXPECT_EQ(Format(CFSTR("%zu %zd"), SIZE_MAX, static_cast<size_t>(-5)), std::to_string(SIZE_MAX) + " -5");
    // An argument after a 64-bit one is still found in its place.
    EXPECT_EQ(Format(CFSTR("%lld %d %qd"), 1LL << 40, 3, 9LL), "1099511627776 3 9");
}

TEST(StringFormat, FloatingPoint)
{
    EXPECT_EQ(Format(CFSTR("%.2f|%8.3f|%-8.1f|"), 3.14159, 2.5, -1.25), "3.14|   2.500|-1.2    |");
    EXPECT_EQ(Format(CFSTR("%e %g %g"), 12345.678, 0.0001, 1e20), "1.234568e+04 0.0001 1e+20");
    EXPECT_EQ(Format(CFSTR("%Lf %d"), 1.5L, 4), "1.500000 4");
}

TEST(StringFormat, CharactersAndCStrings)
{
    EXPECT_EQ(Format(CFSTR("%c%c%C"), 'o', 'k', 0x20AC), "ok\xE2\x82\xAC");
    EXPECT_EQ(Format(CFSTR("[%s] [%5s] [%-5s] [%.2s]"), "caf\xC3\xA9", "ab", "ab", "abcdef"),
              "[caf\xC3\xA9] [   ab] [ab   ] [ab]");
    // Bytes that are not UTF-8 are read in the system encoding.
    EXPECT_EQ(Format(CFSTR("%s"), "caf\x8E"), "caf\xC3\xA9");
    EXPECT_EQ(Format(CFSTR("%s"), static_cast<const char*>(nullptr)), "(null)");
    const UniChar wide[] = {'h', 0xE9, 0};
    EXPECT_EQ(Format(CFSTR("%S|%.1S"), wide, wide), "h\xC3\xA9|h");
}

TEST(StringFormat, ObjectsInsertTheirDescription)
{
    auto name = AdoptCF<CFStringRef>(MakeString("clip"));
    EXPECT_EQ(Format(CFSTR("<%@>"), name.Get()), "<clip>");
    EXPECT_EQ(Format(CFSTR("[%-6@][%6@][%.2@]"), name.Get(), name.Get(), name.Get()), "[clip  ][  clip][cl]");
    EXPECT_EQ(Format(CFSTR("%@"), static_cast<CFTypeRef>(nullptr)), "(null)");

    CFTypeRef other = kCFBooleanTrue;
    auto description = AdoptCF<CFStringRef>(CFCopyDescription(other));
    EXPECT_EQ(Format(CFSTR("%@"), other), UTF8(description.Get()));

    // A string with characters beyond one byte keeps them.
    auto wide = AdoptCF<CFStringRef>(testing_cf::MakeUnits(u"\u20AC\U0001F600"));
    auto result = AdoptCF<CFStringRef>(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("=%@="), wide.Get()));
    EXPECT_EQ(Units(result.Get()), u"=\u20AC\U0001F600=");
}

TEST(StringFormat, PositionalArgumentsAndStarFields)
{
    auto a = AdoptCF<CFStringRef>(MakeString("first"));
    auto b = AdoptCF<CFStringRef>(MakeString("second"));
    EXPECT_EQ(Format(CFSTR("%2$@ then %1$@"), a.Get(), b.Get()), "second then first");
    EXPECT_EQ(Format(CFSTR("%1$d-%1$d-%2$s"), 7, "x"), "7-7-x");
    EXPECT_EQ(Format(CFSTR("[%*d][%-*d][%.*f]"), 4, 1, 3, 2, 2, 3.14159), "[   1][2  ][3.14]");
    EXPECT_EQ(Format(CFSTR("[%*d]"), -4, 1), "[1   ]");  // a negative width justifies left
    EXPECT_EQ(Format(CFSTR("%2$*1$d|"), 5, 9), "    9|");
}

TEST(StringFormat, PointersAndTheWriteBackConversion)
{
    EXPECT_EQ(Format(CFSTR("%p"), static_cast<void*>(nullptr)), "0x0");
    EXPECT_EQ(Format(CFSTR("%p"), reinterpret_cast<void*>(0xBEEF)), "0xbeef");
    int written = -1;
    EXPECT_EQ(Format(CFSTR("abc%n|%d"), &written, 5), "abc|5");
    EXPECT_EQ(written, -1);  // %n never writes
}

TEST(StringFormat, UnknownAndCutOffConversionsAreCopiedThrough)
{
    EXPECT_EQ(Format(CFSTR("%y %d"), 5), "%y 5");
    EXPECT_EQ(Format(CFSTR("%-5k|%d"), 6), "%-5k|6");
    EXPECT_EQ(Format(CFSTR("100%")), "100%");
    EXPECT_EQ(Format(CFSTR("%d %5l"), 1), "1 %5l");
    EXPECT_EQ(Format(CFSTR("")), "");
    // A gap in the positions leaves the later arguments unread: they cannot be found safely.
    EXPECT_EQ(Format(CFSTR("%1$d %3$d"), 1, 2, 3), "1 %3$d");
}

TEST(StringFormat, HugeWidthsAreClampedInsteadOfExhaustingMemory)
{
    auto result = AdoptCF<CFStringRef>(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%999999999d"), 1));
    ASSERT_NE(result.Get(), nullptr);
    EXPECT_EQ(CFStringGetLength(result.Get()), 1 << 16);
    EXPECT_EQ(CFStringGetCharacterAtIndex(result.Get(), (1 << 16) - 1), u'1');
}

}  // namespace
