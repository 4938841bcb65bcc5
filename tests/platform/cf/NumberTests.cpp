// Numbers and booleans: exact conversions reported as such, equality across integers and reals
// with matching hashes, and booleans as a type of their own.
#include "OwnedRef.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using testing_cf::Describe;
using testing_cf::OwnedRef;

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
    OwnedRef<CFNumberRef> fromInt8(CFNumberCreate(nullptr, kCFNumberSInt8Type, &small));
    OwnedRef<CFNumberRef> fromFloat(CFNumberCreate(nullptr, kCFNumberFloatType, &single));
    EXPECT_EQ(CFNumberGetType(fromInt8), kCFNumberSInt64Type);
    EXPECT_FALSE(CFNumberIsFloatType(fromInt8));
    EXPECT_EQ(CFNumberGetType(fromFloat), kCFNumberFloat64Type);
    EXPECT_TRUE(CFNumberIsFloatType(fromFloat));
    int64_t wide = 0;
    EXPECT_TRUE(CFNumberGetValue(fromInt8, kCFNumberSInt64Type, &wide));
    EXPECT_EQ(wide, -5);
    double real = 0;
    EXPECT_TRUE(CFNumberGetValue(fromFloat, kCFNumberDoubleType, &real));
    EXPECT_EQ(real, 1.5);
    EXPECT_EQ(CFNumberCreate(nullptr, static_cast<CFNumberType>(99), &wide), nullptr);
    EXPECT_EQ(CFGetTypeID(fromInt8), CFNumberGetTypeID());
}

TEST(Number, NarrowingReportsWhetherTheValueFitsAndStillStoresIt)
{
    OwnedRef<CFNumberRef> big(MakeInteger(300));
    int8_t byte = 0;
    EXPECT_FALSE(CFNumberGetValue(big, kCFNumberSInt8Type, &byte));
    EXPECT_EQ(byte, static_cast<int8_t>(300));
    int16_t shortValue = 0;
    EXPECT_TRUE(CFNumberGetValue(big, kCFNumberShortType, &shortValue));
    EXPECT_EQ(shortValue, 300);

    OwnedRef<CFNumberRef> huge(MakeInteger(int64_t{1} << 40));
    int32_t word = 1;
    EXPECT_FALSE(CFNumberGetValue(huge, kCFNumberIntType, &word));
    CFIndex index = 0;
    EXPECT_TRUE(CFNumberGetValue(huge, kCFNumberCFIndexType, &index));
    EXPECT_EQ(index, CFIndex{1} << 40);

    // 2^53 + 1 is not a double.
    OwnedRef<CFNumberRef> odd(MakeInteger((int64_t{1} << 53) + 1));
    double real = 0;
    EXPECT_FALSE(CFNumberGetValue(odd, kCFNumberFloat64Type, &real));
    EXPECT_EQ(real, 9007199254740992.0);
    OwnedRef<CFNumberRef> max(MakeInteger(std::numeric_limits<int64_t>::max()));
    EXPECT_FALSE(CFNumberGetValue(max, kCFNumberFloat64Type, &real));
    float single = 0;
    EXPECT_TRUE(CFNumberGetValue(big, kCFNumberFloat32Type, &single));
    EXPECT_EQ(single, 300.0f);
}

TEST(Number, RealsToIntegersTruncateClampAndReportExactness)
{
    OwnedRef<CFNumberRef> fraction(MakeReal(-2.75));
    int32_t word = 0;
    EXPECT_FALSE(CFNumberGetValue(fraction, kCFNumberSInt32Type, &word));
    EXPECT_EQ(word, -2);
    OwnedRef<CFNumberRef> whole(MakeReal(42.0));
    EXPECT_TRUE(CFNumberGetValue(whole, kCFNumberSInt32Type, &word));
    EXPECT_EQ(word, 42);

    OwnedRef<CFNumberRef> tooBig(MakeReal(1e30));
    int64_t wide = 0;
    EXPECT_FALSE(CFNumberGetValue(tooBig, kCFNumberSInt64Type, &wide));
    EXPECT_EQ(wide, std::numeric_limits<int64_t>::max());
    int8_t byte = 0;
    OwnedRef<CFNumberRef> tooSmall(MakeReal(-1000.0));
    EXPECT_FALSE(CFNumberGetValue(tooSmall, kCFNumberSInt8Type, &byte));
    EXPECT_EQ(byte, -128);
    OwnedRef<CFNumberRef> lowest(MakeReal(-128.0));
    EXPECT_TRUE(CFNumberGetValue(lowest, kCFNumberSInt8Type, &byte));
    OwnedRef<CFNumberRef> notANumber(MakeReal(std::nan("")));
    EXPECT_FALSE(CFNumberGetValue(notANumber, kCFNumberIntType, &word));
    EXPECT_EQ(word, 0);

    OwnedRef<CFNumberRef> third(MakeReal(1.0 / 3.0));
    float single = 0;
    EXPECT_FALSE(CFNumberGetValue(third, kCFNumberFloat32Type, &single));
    EXPECT_FLOAT_EQ(single, 1.0f / 3.0f);
    OwnedRef<CFNumberRef> half(MakeReal(0.5));
    EXPECT_TRUE(CFNumberGetValue(half, kCFNumberFloat32Type, &single));
}

TEST(Number, IntegersAndRealsCompareByValueHashAlikeAndMatchAsKeys)
{
    OwnedRef<CFNumberRef> one(MakeInteger(1));
    OwnedRef<CFNumberRef> oneReal(MakeReal(1.0));
    OwnedRef<CFNumberRef> onePointFive(MakeReal(1.5));
    EXPECT_TRUE(CFEqual(one, oneReal));
    EXPECT_EQ(CFHash(one), CFHash(oneReal));
    EXPECT_FALSE(CFEqual(one, onePointFive));
    EXPECT_EQ(CFNumberCompare(one, onePointFive, nullptr), kCFCompareLessThan);
    EXPECT_EQ(CFNumberCompare(onePointFive, one, nullptr), kCFCompareGreaterThan);
    EXPECT_EQ(CFNumberCompare(oneReal, one, nullptr), kCFCompareEqualTo);

    // Large values are compared without rounding the integer to a double.
    OwnedRef<CFNumberRef> odd(MakeInteger((int64_t{1} << 53) + 1));
    OwnedRef<CFNumberRef> near(MakeReal(9007199254740992.0));
    EXPECT_FALSE(CFEqual(odd, near));
    EXPECT_EQ(CFNumberCompare(near, odd, nullptr), kCFCompareLessThan);
    OwnedRef<CFNumberRef> max(MakeInteger(std::numeric_limits<int64_t>::max()));
    OwnedRef<CFNumberRef> twoTo63(MakeReal(9223372036854775808.0));
    EXPECT_FALSE(CFEqual(max, twoTo63));
    EXPECT_EQ(CFNumberCompare(max, twoTo63, nullptr), kCFCompareLessThan);

    OwnedRef<CFNumberRef> negativeZero(MakeReal(-0.0));
    OwnedRef<CFNumberRef> zero(MakeInteger(0));
    EXPECT_TRUE(CFEqual(negativeZero, zero));
    EXPECT_EQ(CFHash(negativeZero), CFHash(zero));

    // Equal only to numbers, and a key of one kind finds the entry stored under the other.
    EXPECT_FALSE(CFEqual(one, kCFBooleanTrue));
    EXPECT_FALSE(CFEqual(kCFBooleanFalse, zero));
    EXPECT_FALSE(CFEqual(one, CFSTR("1")));
    OwnedRef<CFMutableDictionaryRef> dict(
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    CFDictionarySetValue(dict, one, CFSTR("one"));
    EXPECT_EQ(CFDictionaryGetValue(dict, oneReal), CFSTR("one"));
}

TEST(Number, DescriptionsAreDecimal)
{
    OwnedRef<CFNumberRef> negative(MakeInteger(-42));
    OwnedRef<CFNumberRef> real(MakeReal(0.1));
    OwnedRef<CFNumberRef> large(MakeInteger(std::numeric_limits<int64_t>::min()));
    EXPECT_EQ(Describe(negative), "-42");
    EXPECT_EQ(Describe(real), "0.1");
    EXPECT_EQ(Describe(large), "-9223372036854775808");
}

TEST(Boolean, TwoImmortalConstantsOfTheirOwnType)
{
    long before = PlatformLiveObjectCount();
    EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
    EXPECT_FALSE(CFBooleanGetValue(kCFBooleanFalse));
    EXPECT_EQ(CFGetTypeID(kCFBooleanTrue), CFBooleanGetTypeID());
    EXPECT_NE(CFBooleanGetTypeID(), CFNumberGetTypeID());
    EXPECT_FALSE(CFEqual(kCFBooleanTrue, kCFBooleanFalse));
    EXPECT_TRUE(CFEqual(kCFBooleanTrue, kCFBooleanTrue));
    CFRelease(CFRetain(kCFBooleanTrue));
    CFRelease(kCFBooleanTrue);
    EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
    EXPECT_EQ(Describe(kCFBooleanTrue), "true");
    EXPECT_EQ(Describe(kCFBooleanFalse), "false");
    EXPECT_EQ(PlatformLiveObjectCount(), before);
}

}  // namespace
