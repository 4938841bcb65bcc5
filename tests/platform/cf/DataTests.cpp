// Data: copies, growth, and bytes taken over without copying and freed by the
// deallocator the caller named.
#include "CollectionTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using platform::AdoptCF;
using testing_cf::Describe;

TEST(Data, CreateAndCopiesTakeTheirOwnBytesAndCompareByContent)
{
    UInt8 bytes[] = {1, 2, 3};
    auto data = AdoptCF<CFDataRef>(CFDataCreate(nullptr, bytes, 3));
    bytes[0] = 9;
    EXPECT_EQ(CFDataGetLength(data.Get()), 3);
    EXPECT_EQ(CFDataGetBytePtr(data.Get())[0], 1);
    EXPECT_EQ(Describe(data.Get()), "<010203>");
    EXPECT_EQ(CFGetTypeID(data.Get()), CFDataGetTypeID());

    // Copies are independent and equal by content.
    auto copy = AdoptCF<CFMutableDataRef>(CFDataCreateMutableCopy(nullptr, 0, data.Get()));
    EXPECT_TRUE(CFEqual(data.Get(), copy.Get()));
    EXPECT_EQ(CFHash(data.Get()), CFHash(copy.Get()));
    CFDataAppendBytes(copy.Get(), bytes, 1);
    EXPECT_FALSE(CFEqual(data.Get(), copy.Get()));
    EXPECT_EQ(CFDataGetLength(data.Get()), 3);
    auto frozen = AdoptCF<CFDataRef>(CFDataCreateCopy(nullptr, copy.Get()));
    EXPECT_TRUE(CFEqual(frozen.Get(), copy.Get()));
    auto shorter = AdoptCF<CFDataRef>(CFDataCreate(nullptr, CFDataGetBytePtr(frozen.Get()), 2));  // a prefix
    EXPECT_FALSE(CFEqual(shorter.Get(), frozen.Get()));
}

TEST(Data, MutableDataGrowsWhenAppendedToItself)
{
    auto data = AdoptCF<CFMutableDataRef>(CFDataCreateMutable(nullptr, 0));
    const UInt8 abc[] = {'a', 'b', 'c'};
    CFDataAppendBytes(data.Get(), abc, 3);
    // Appending the buffer to itself while it grows.
    CFDataAppendBytes(data.Get(), CFDataGetBytePtr(data.Get()), CFDataGetLength(data.Get()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data.Get())), 6), "abcabc");
}

struct DeallocationLog {
    int deallocations = 0;
    void* lastFreed = nullptr;
};

void* LoggingAllocate(CFIndex size, CFOptionFlags, void*)
{
    return std::malloc(static_cast<size_t>(size));
}

void LoggingDeallocate(void* ptr, void* info)
{
    auto* log = static_cast<DeallocationLog*>(info);
    log->deallocations++;
    log->lastFreed = ptr;
    std::free(ptr);
}

TEST(Data, NoCopyDataFreesThroughACreatedAllocatorWhenFinalizedAndNeverWhenNotMade)
{
    DeallocationLog log;
    CFAllocatorContext context{0, &log, nullptr, nullptr, nullptr, &LoggingAllocate, nullptr, &LoggingDeallocate, nullptr};
    CFAllocatorRef allocator = CFAllocatorCreate(nullptr, &context);
    ASSERT_NE(allocator, nullptr);
    // A creation that fails leaves the bytes, and the deallocator, with the caller.
    UInt8 kept[] = {1};
    EXPECT_EQ(CFDataCreateWithBytesNoCopy(kCFAllocatorNull, kept, 1, allocator), nullptr);
    EXPECT_EQ(log.deallocations, 0);
    EXPECT_EQ(CFGetRetainCount(allocator), 1);
    auto* bytes = static_cast<UInt8*>(CFAllocatorAllocate(allocator, 4, 0));
    std::memcpy(bytes, "wxyz", 4);
    CFDataRef data = CFDataCreateWithBytesNoCopy(nullptr, bytes, 4, allocator);
    CFRelease(allocator);  // the data keeps its deallocator alive
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(CFDataGetBytePtr(data), bytes);  // not copied
    EXPECT_EQ(log.deallocations, 0);
    CFRelease(data);
    EXPECT_EQ(log.deallocations, 1);
    EXPECT_EQ(log.lastFreed, bytes);
}

TEST(Data, NoCopyDataFreesWithTheDefaultAllocatorUnlessTheNullAllocatorIsGiven)
{
    UInt8 stackBytes[] = {5, 6, 7};
    {
        auto data = AdoptCF<CFDataRef>(CFDataCreateWithBytesNoCopy(nullptr, stackBytes, 3, kCFAllocatorNull));
        EXPECT_EQ(CFDataGetBytePtr(data.Get()), stackBytes);
        stackBytes[0] = 50;  // shared, not copied
        EXPECT_EQ(CFDataGetBytePtr(data.Get())[0], 50);
    }
    // Freeing a stack buffer would have crashed; the bytes are still ours.
    EXPECT_EQ(stackBytes[1], 6);

    // Runs under the leak and heap checkers of the sanitizer build: the buffer must be freed once.
    auto* bytes = static_cast<UInt8*>(CFAllocatorAllocate(kCFAllocatorDefault, 16, 0));
    std::memset(bytes, 0xab, 16);
    CFDataRef data = CFDataCreateWithBytesNoCopy(nullptr, bytes, 16, nullptr);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(CFDataGetBytePtr(data), bytes);
    auto copy = AdoptCF<CFDataRef>(CFDataCreateCopy(nullptr, data));
    CFRelease(data);
    EXPECT_EQ(CFDataGetLength(copy.Get()), 16);
    EXPECT_EQ(CFDataGetBytePtr(copy.Get())[15], 0xab);
}

TEST(DataDeathTest, MutatingImmutableDataStops)
{
    const UInt8 bytes[] = {1, 2};
    auto data = AdoptCF<CFDataRef>(CFDataCreate(nullptr, bytes, 2));
    auto* cheat = const_cast<CFMutableDataRef>(data.Get());
    EXPECT_DEATH(CFDataAppendBytes(cheat, bytes, 1), "immutable data");
}

}  // namespace
