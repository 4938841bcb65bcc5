// Numbers and booleans: exact conversions reported as such, equality across integers and reals
// with matching hashes, and booleans as a type of their own.
#include "CollectionTestSupport.h"


#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using platform::AdoptCF;
using testing_cf::Describe;

CFNumberRef MakeInteger(int64_t value)
{
    return CFNumberCreate(nullptr, kCFNumberSInt64Type, &value);
}

CFNumberRef MakeReal(double value)
{
    return CFNumberCreate(nullptr, kCFNumberFloat64Type, &value);
}

TEST(Number, KeepsIntegersAndRealsInTheirOwnKind)
{
    int8_t small = -5;
    float single = 1.5f;
    auto fromInt8 = AdoptCF<CFNumberRef>(CFNumberCreate(nullptr, kCFNumberSInt8Type, &small));
    auto fromFloat = AdoptCF<CFNumberRef>(CFNumberCreate(nullptr, kCFNumberFloatType, &single));
    EXPECT_FALSE(CFNumberIsFloatType(fromInt8.Get()));
    EXPECT_TRUE(CFNumberIsFloatType(fromFloat.Get()));
    int64_t wide = 0;
    EXPECT_TRUE(CFNumberGetValue(fromInt8.Get(), kCFNumberSInt64Type, &wide));
    EXPECT_EQ(wide, -5);
    double real = 0;
    EXPECT_TRUE(CFNumberGetValue(fromFloat.Get(), kCFNumberDoubleType, &real));
    EXPECT_EQ(real, 1.5);
    EXPECT_EQ(CFNumberCreate(nullptr, static_cast<CFNumberType>(99), &wide), nullptr);
    EXPECT_EQ(CFGetTypeID(fromInt8.Get()), CFNumberGetTypeID());
}

TEST(Number, NarrowingReportsWhetherTheValueFitsAndStillStoresIt)
{
    auto big = AdoptCF<CFNumberRef>(MakeInteger(300));
    int8_t byte = 0;
    EXPECT_FALSE(CFNumberGetValue(big.Get(), kCFNumberSInt8Type, &byte));
    EXPECT_EQ(byte, static_cast<int8_t>(300));
    int16_t shortValue = 0;
    EXPECT_TRUE(CFNumberGetValue(big.Get(), kCFNumberShortType, &shortValue));
    EXPECT_EQ(shortValue, 300);

    auto huge = AdoptCF<CFNumberRef>(MakeInteger(int64_t{1} << 40));
    int32_t word = 1;
    EXPECT_FALSE(CFNumberGetValue(huge.Get(), kCFNumberIntType, &word));
    CFIndex index = 0;
    EXPECT_TRUE(CFNumberGetValue(huge.Get(), kCFNumberCFIndexType, &index));
    EXPECT_EQ(index, CFIndex{1} << 40);

    // 2^53 + 1 is not a double.
    auto odd = AdoptCF<CFNumberRef>(MakeInteger((int64_t{1} << 53) + 1));
    double real = 0;
    EXPECT_FALSE(CFNumberGetValue(odd.Get(), kCFNumberFloat64Type, &real));
    EXPECT_EQ(real, 9007199254740992.0);
    auto max = AdoptCF<CFNumberRef>(MakeInteger(std::numeric_limits<int64_t>::max()));
    EXPECT_FALSE(CFNumberGetValue(max.Get(), kCFNumberFloat64Type, &real));
    float single = 0;
    EXPECT_TRUE(CFNumberGetValue(big.Get(), kCFNumberFloat32Type, &single));
    EXPECT_EQ(single, 300.0f);
}

TEST(Number, RealsToIntegersTruncateClampAndReportExactness)
{
    auto fraction = AdoptCF<CFNumberRef>(MakeReal(-2.75));
    int32_t word = 0;
    EXPECT_FALSE(CFNumberGetValue(fraction.Get(), kCFNumberSInt32Type, &word));
    EXPECT_EQ(word, -2);
    auto whole = AdoptCF<CFNumberRef>(MakeReal(42.0));
    EXPECT_TRUE(CFNumberGetValue(whole.Get(), kCFNumberSInt32Type, &word));
    EXPECT_EQ(word, 42);

    auto tooBig = AdoptCF<CFNumberRef>(MakeReal(1e30));
    int64_t wide = 0;
    EXPECT_FALSE(CFNumberGetValue(tooBig.Get(), kCFNumberSInt64Type, &wide));
    EXPECT_EQ(wide, std::numeric_limits<int64_t>::max());
    int8_t byte = 0;
    auto tooSmall = AdoptCF<CFNumberRef>(MakeReal(-1000.0));
    EXPECT_FALSE(CFNumberGetValue(tooSmall.Get(), kCFNumberSInt8Type, &byte));
    EXPECT_EQ(byte, -128);
    auto lowest = AdoptCF<CFNumberRef>(MakeReal(-128.0));
    EXPECT_TRUE(CFNumberGetValue(lowest.Get(), kCFNumberSInt8Type, &byte));
    auto notANumber = AdoptCF<CFNumberRef>(MakeReal(std::nan("")));
    EXPECT_FALSE(CFNumberGetValue(notANumber.Get(), kCFNumberIntType, &word));
    EXPECT_EQ(word, 0);

    auto third = AdoptCF<CFNumberRef>(MakeReal(1.0 / 3.0));
    float single = 0;
    EXPECT_FALSE(CFNumberGetValue(third.Get(), kCFNumberFloat32Type, &single));
    EXPECT_FLOAT_EQ(single, 1.0f / 3.0f);
    auto half = AdoptCF<CFNumberRef>(MakeReal(0.5));
    EXPECT_TRUE(CFNumberGetValue(half.Get(), kCFNumberFloat32Type, &single));
}

TEST(Number, IntegersAndRealsCompareByValueHashAlikeAndMatchAsKeys)
{
    auto one = AdoptCF<CFNumberRef>(MakeInteger(1));
    auto oneReal = AdoptCF<CFNumberRef>(MakeReal(1.0));
    auto onePointFive = AdoptCF<CFNumberRef>(MakeReal(1.5));
    EXPECT_TRUE(CFEqual(one.Get(), oneReal.Get()));
    EXPECT_EQ(CFHash(one.Get()), CFHash(oneReal.Get()));
    EXPECT_FALSE(CFEqual(one.Get(), onePointFive.Get()));

    // Large values are compared without rounding the integer to a double.
    auto odd = AdoptCF<CFNumberRef>(MakeInteger((int64_t{1} << 53) + 1));
    auto near = AdoptCF<CFNumberRef>(MakeReal(9007199254740992.0));
    EXPECT_FALSE(CFEqual(odd.Get(), near.Get()));
    auto max = AdoptCF<CFNumberRef>(MakeInteger(std::numeric_limits<int64_t>::max()));
    auto twoTo63 = AdoptCF<CFNumberRef>(MakeReal(9223372036854775808.0));
    EXPECT_FALSE(CFEqual(max.Get(), twoTo63.Get()));

    auto negativeZero = AdoptCF<CFNumberRef>(MakeReal(-0.0));
    auto zero = AdoptCF<CFNumberRef>(MakeInteger(0));
    EXPECT_TRUE(CFEqual(negativeZero.Get(), zero.Get()));
    EXPECT_EQ(CFHash(negativeZero.Get()), CFHash(zero.Get()));

    // Equal only to numbers, and a key of one kind finds the entry stored under the other.
    EXPECT_FALSE(CFEqual(one.Get(), kCFBooleanTrue));
    EXPECT_FALSE(CFEqual(kCFBooleanFalse, zero.Get()));
    EXPECT_FALSE(CFEqual(one.Get(), CFSTR("1")));
    auto dict = AdoptCF<CFMutableDictionaryRef>(
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    CFDictionarySetValue(dict.Get(), one.Get(), CFSTR("one"));
    EXPECT_EQ(CFDictionaryGetValue(dict.Get(), oneReal.Get()), CFSTR("one"));
}

TEST(Number, DescriptionsAreDecimal)
{
    auto negative = AdoptCF<CFNumberRef>(MakeInteger(-42));
    auto real = AdoptCF<CFNumberRef>(MakeReal(0.1));
    auto large = AdoptCF<CFNumberRef>(MakeInteger(std::numeric_limits<int64_t>::min()));
    EXPECT_EQ(Describe(negative.Get()), "-42");
    EXPECT_EQ(Describe(real.Get()), "0.1");
    EXPECT_EQ(Describe(large.Get()), "-9223372036854775808");
}

}  // namespace
