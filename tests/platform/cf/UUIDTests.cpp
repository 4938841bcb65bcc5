// Identifiers: text round trips, strict parsing, random version-4 values, constants that are one
// object per value; and dates, which share the need for a readable description.
#include "CollectionTestSupport.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::AdoptCF;
using testing_cf::Describe;
using testing_cf::MakeString;

TEST(UUID, TextInEitherCaseIsParsedAndMalformedTextRefused)
{
    auto upper = AdoptCF<CFUUIDRef>(CFUUIDCreateFromString(nullptr, CFSTR("68753A44-4D6F-1226-9C60-0050E4C00067")));
    auto lower = AdoptCF<CFUUIDRef>(CFUUIDCreateFromString(nullptr, CFSTR("68753a44-4d6f-1226-9c60-0050e4c00067")));
    ASSERT_NE(lower.Get(), nullptr);
    EXPECT_TRUE(CFEqual(lower.Get(), upper.Get()));
    EXPECT_EQ(CFHash(lower.Get()), CFHash(upper.Get()));
    EXPECT_EQ(Describe(lower.Get()), "68753A44-4D6F-1226-9C60-0050E4C00067");
    EXPECT_EQ(CFGetTypeID(upper.Get()), CFUUIDGetTypeID());

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
        auto string = AdoptCF<CFStringRef>(MakeString(text));
        EXPECT_EQ(CFUUIDCreateFromString(nullptr, string.Get()), nullptr) << text;
    }
}

TEST(UUID, RandomIdentifiersAreVersion4AndDistinct)
{
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        auto uuid = AdoptCF<CFUUIDRef>(CFUUIDCreate(nullptr));
        CFUUIDBytes bytes = CFUUIDGetUUIDBytes(uuid.Get());
        EXPECT_EQ(bytes.byte6 >> 4, 4);
        EXPECT_EQ(bytes.byte8 & 0xC0, 0x80);
        seen.insert(Describe(uuid.Get()));
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(UUID, ConstantsAreOneImmortalObjectPerValueSharedAcrossThreads)
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
    auto counted = AdoptCF<CFUUIDRef>(CFUUIDCreateFromString(nullptr, CFSTR("01020304-0506-0708-090A-0B0C0D0E0F10")));
    EXPECT_TRUE(CFEqual(counted.Get(), first));

    // Threads asking at once for a constant all get the same object.
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

    auto origin = AdoptCF<CFDateRef>(CFDateCreate(nullptr, 0));
    EXPECT_EQ(Describe(origin.Get()), "2001-01-01T00:00:00Z");
    auto later = AdoptCF<CFDateRef>(CFDateCreate(nullptr, 86400.5));
    EXPECT_EQ(Describe(later.Get()), "2001-01-02T00:00:00.500Z");
    auto before = AdoptCF<CFDateRef>(CFDateCreate(nullptr, -1));
    EXPECT_EQ(Describe(before.Get()), "2000-12-31T23:59:59Z");
    EXPECT_EQ(CFDateGetAbsoluteTime(later.Get()), 86400.5);

    auto sameAsOrigin = AdoptCF<CFDateRef>(CFDateCreate(nullptr, 0));
    EXPECT_TRUE(CFEqual(origin.Get(), sameAsOrigin.Get()));
    EXPECT_EQ(CFHash(origin.Get()), CFHash(sameAsOrigin.Get()));
    EXPECT_FALSE(CFEqual(origin.Get(), later.Get()));
    EXPECT_EQ(CFGetTypeID(origin.Get()), CFDateGetTypeID());
}

}  // namespace
