// The object runtime: NULL references stop the process, and allocators made from callbacks carry
// their objects.
#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

TEST(RuntimeDeathTest, NullRetainAndOverReleaseAbort)
{
    EXPECT_DEATH(CFRetain(nullptr), "CFRetain called with NULL");
    EXPECT_DEATH(CFRelease(nullptr), "CFRelease called with NULL");
}

struct CountingInfo {
    int allocations = 0;
    int deallocations = 0;
};

void* CountingAllocate(CFIndex size, CFOptionFlags, void* info)
{
    static_cast<CountingInfo*>(info)->allocations++;
    return std::malloc(static_cast<size_t>(size));
}

void CountingDeallocate(void* ptr, void* info)
{
    static_cast<CountingInfo*>(info)->deallocations++;
    std::free(ptr);
}

TEST(Allocator, CreatedAllocatorCallsItsCallbacksAndCarriesItsObjects)
{
    CountingInfo info;
    CFAllocatorContext context{0, &info, nullptr, nullptr, nullptr, &CountingAllocate, nullptr, &CountingDeallocate,
                               nullptr};
    CFAllocatorRef allocator = CFAllocatorCreate(kCFAllocatorDefault, &context);
    ASSERT_NE(allocator, nullptr);
    EXPECT_EQ(CFGetTypeID(allocator), CFAllocatorGetTypeID());

    void* block = CFAllocatorAllocate(allocator, 10, 0);
    ASSERT_NE(block, nullptr);
    CFAllocatorDeallocate(allocator, block);
    EXPECT_EQ(info.allocations, 1);
    EXPECT_EQ(info.deallocations, 1);

    // An object made with the allocator lives in its memory and keeps the allocator alive.
    const UniChar units[] = {'x'};
    CFStringRef text = CFStringCreateWithCharacters(allocator, units, 1);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(CFGetAllocator(text), allocator);
    EXPECT_EQ(info.allocations, 2);
    CFRelease(allocator);
    EXPECT_EQ(CFStringGetLength(text), 1);
    CFRelease(text);
    EXPECT_EQ(info.deallocations, 2);
}

TEST(Allocator, NullAllocatorGivesNoMemorySoCreationFails)
{
    EXPECT_EQ(CFAllocatorAllocate(kCFAllocatorNull, 8, 0), nullptr);
    const UniChar units[] = {'x'};
    EXPECT_EQ(CFStringCreateWithCharacters(kCFAllocatorNull, units, 1), nullptr);
}

}  // namespace
