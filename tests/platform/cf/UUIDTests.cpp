// Identifiers: text round trips, strict parsing, random version-4 values, constants that are one
// object per value; and dates, which share the need for a readable description.
#include "OwnedRef.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using testing_cf::Describe;
using testing_cf::MakeString;
using testing_cf::OwnedRef;

TEST(UUID, TextRoundTripIsUpperCaseAndParsingAcceptsEitherCase)
{
    OwnedRef<CFUUIDRef> uuid(CFUUIDCreateWithBytes(nullptr, 0x68, 0x75, 0x3a, 0x44, 0x4d, 0x6f, 0x12, 0x26, 0x9c, 0x60,
                                                   0x00, 0x50, 0xe4, 0xc0, 0x00, 0x67));
    OwnedRef<CFStringRef> text(CFUUIDCreateString(nullptr, uuid));
    EXPECT_TRUE(CFEqual(text, CFSTR("68753A44-4D6F-1226-9C60-0050E4C00067")));
    EXPECT_EQ(Describe(uuid), "68753A44-4D6F-1226-9C60-0050E4C00067");

    OwnedRef<CFUUIDRef> lower(CFUUIDCreateFromString(nullptr, CFSTR("68753a44-4d6f-1226-9c60-0050e4c00067")));
    ASSERT_NE(lower, nullptr);
    EXPECT_TRUE(CFEqual(lower, uuid));
    EXPECT_EQ(CFHash(lower), CFHash(uuid));
    CFUUIDBytes bytes = CFUUIDGetUUIDBytes(lower);
    EXPECT_EQ(bytes.byte0, 0x68);
    EXPECT_EQ(bytes.byte15, 0x67);
    OwnedRef<CFUUIDRef> fromBytes(CFUUIDCreateFromUUIDBytes(nullptr, bytes));
    EXPECT_TRUE(CFEqual(fromBytes, uuid));
    EXPECT_EQ(CFGetTypeID(uuid), CFUUIDGetTypeID());
}

TEST(UUID, MalformedTextIsRefused)
{
    const char* malformed[] = {
        "",
        "68753A44-4D6F-1226-9C60-0050E4C0006",    // one digit short
        "68753A44-4D6F-1226-9C60-0050E4C000677",  // one digit too many
        "68753A444D6F-1226-9C60-0050E4C000677",   // hyphen missing
        "68753A44-4D6F-1226-9C60-0050E4C0006G",   // not a hex digit
        "{68753A44-4D6F-1226-9C60-0050E4C00067}",
        "68753A44 4D6F 1226 9C60 0050E4C00067",
        "-68753A44-4D6F-1226-9C60-0050E4C0006",
    };
    for (const char* text : malformed) {
        OwnedRef<CFStringRef> string(MakeString(text));
        EXPECT_EQ(CFUUIDCreateFromString(nullptr, string), nullptr) << text;
    }
}

TEST(UUID, RandomIdentifiersAreVersion4AndDistinct)
{
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        OwnedRef<CFUUIDRef> uuid(CFUUIDCreate(nullptr));
        CFUUIDBytes bytes = CFUUIDGetUUIDBytes(uuid);
        EXPECT_EQ(bytes.byte6 >> 4, 4);
        EXPECT_EQ(bytes.byte8 & 0xC0, 0x80);
        seen.insert(Describe(uuid));
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(UUID, ConstantsAreOneImmortalObjectPerValue)
{
    long before = PlatformLiveObjectCount();
    CFUUIDRef first = CFUUIDGetConstantUUIDWithBytes(nullptr, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    CFUUIDRef again = CFUUIDGetConstantUUIDWithBytes(nullptr, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    CFUUIDRef other = CFUUIDGetConstantUUIDWithBytes(nullptr, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    CFRelease(first);
    CFRelease(first);
    EXPECT_EQ(CFUUIDGetUUIDBytes(first).byte15, 16);
    EXPECT_EQ(PlatformLiveObjectCount(), before);

    // A counted identifier with the same bytes is equal to the constant.
    OwnedRef<CFUUIDRef> counted(
        CFUUIDCreateWithBytes(nullptr, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16));
    EXPECT_TRUE(CFEqual(counted, first));
}

TEST(UUID, ConstantsAreSharedAcrossThreads)
{
    std::vector<CFUUIDRef> results(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&results, i] {
            results[i] = CFUUIDGetConstantUUIDWithBytes(nullptr, 0xAA, 0xBB, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 99);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (CFUUIDRef result : results) {
        EXPECT_EQ(result, results[0]);
    }
}

TEST(Date, AbsoluteTimeCountsFrom2001AndDescribesAsISO8601)
{
    const double unixNow = static_cast<double>(std::time(nullptr));
    EXPECT_NEAR(CFAbsoluteTimeGetCurrent() + kCFAbsoluteTimeIntervalSince1970, unixNow, 2.0);

    OwnedRef<CFDateRef> origin(CFDateCreate(nullptr, 0));
    EXPECT_EQ(Describe(origin), "2001-01-01T00:00:00Z");
    OwnedRef<CFDateRef> later(CFDateCreate(nullptr, 86400.5));
    EXPECT_EQ(Describe(later), "2001-01-02T00:00:00.500Z");
    OwnedRef<CFDateRef> before(CFDateCreate(nullptr, -1));
    EXPECT_EQ(Describe(before), "2000-12-31T23:59:59Z");
    EXPECT_EQ(CFDateGetAbsoluteTime(later), 86400.5);
    EXPECT_EQ(CFDateGetTimeIntervalSinceDate(later, origin), 86400.5);
    EXPECT_EQ(CFDateCompare(origin, later, nullptr), kCFCompareLessThan);

    OwnedRef<CFDateRef> sameAsOrigin(CFDateCreate(nullptr, 0));
    EXPECT_TRUE(CFEqual(origin, sameAsOrigin));
    EXPECT_EQ(CFHash(origin), CFHash(sameAsOrigin));
    EXPECT_FALSE(CFEqual(origin, later));
    EXPECT_EQ(CFGetTypeID(origin), CFDateGetTypeID());
}

}  // namespace
