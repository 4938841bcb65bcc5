// Arrays: the element callbacks decide ownership and equality; replacement and removal release
// only after the new value is held; misuse stops the process.
#include "CollectionTestSupport.h"

#include <gtest/gtest.h>

namespace {

using platform::AdoptCF;
using testing_cf::Describe;
using testing_cf::MakeString;

TEST(Array, ValuesAreFoundByEqualityWithinTheRange)
{
    auto x1 = AdoptCF<CFStringRef>(MakeString("x"));
    auto x2 = AdoptCF<CFStringRef>(MakeString("x"));
    const void* values[] = {x1.Get(), CFSTR("y"), x2.Get()};
    auto array = AdoptCF<CFArrayRef>(CFArrayCreate(nullptr, values, 3, &kCFTypeArrayCallBacks));
    const CFRange all = CFRangeMake(0, 3);
    EXPECT_EQ(CFArrayGetFirstIndexOfValue(array.Get(), CFRangeMake(1, 2), CFSTR("x")), 2);
    EXPECT_TRUE(CFArrayContainsValue(array.Get(), all, CFSTR("y")));
    EXPECT_FALSE(CFArrayContainsValue(array.Get(), CFRangeMake(0, 1), CFSTR("y")));
}

TEST(Array, NullCallbacksKeepPlainPointersComparedByIdentity)
{
    auto a = AdoptCF<CFStringRef>(MakeString("same"));
    auto equalToA = AdoptCF<CFStringRef>(MakeString("same"));
    int plain = 7;  // not an object at all: must never be retained or released
    {
        auto array = AdoptCF<CFMutableArrayRef>(CFArrayCreateMutable(nullptr, 0, nullptr));
        CFArrayAppendValue(array.Get(), a.Get());
        CFArrayAppendValue(array.Get(), &plain);
        EXPECT_EQ(CFGetRetainCount(a.Get()), 1);
        const CFRange all = CFRangeMake(0, CFArrayGetCount(array.Get()));
        EXPECT_EQ(CFArrayGetFirstIndexOfValue(array.Get(), all, a.Get()), 0);
        EXPECT_EQ(CFArrayGetFirstIndexOfValue(array.Get(), all, equalToA.Get()), kCFNotFound);
        EXPECT_EQ(CFArrayGetFirstIndexOfValue(array.Get(), all, &plain), 1);

        // A copy keeps the callbacks: still nothing retained.
        auto mutableCopy = AdoptCF<CFMutableArrayRef>(CFArrayCreateMutableCopy(nullptr, 0, array.Get()));
        EXPECT_EQ(CFGetRetainCount(a.Get()), 1);
        EXPECT_EQ(CFArrayGetValueAtIndex(mutableCopy.Get(), 1), &plain);
        CFArrayRemoveAllValues(mutableCopy.Get());
        EXPECT_EQ(CFGetRetainCount(a.Get()), 1);
    }
    EXPECT_EQ(CFGetRetainCount(a.Get()), 1);
}

struct CallbackCounts {
    int retains = 0;
    int releases = 0;
    CFAllocatorRef lastAllocator = nullptr;
};
CallbackCounts gCounts;

const void* CountingRetain(CFAllocatorRef allocator, const void* value)
{
    gCounts.retains++;
    gCounts.lastAllocator = allocator;
    return value;
}

void CountingRelease(CFAllocatorRef allocator, const void* value)
{
    gCounts.releases++;
    gCounts.lastAllocator = allocator;
}

TEST(Array, CustomCallbacksAreCopiedAndCalledOncePerStoredValue)
{
    gCounts = {};
    CFArrayCallBacks callBacks{0, &CountingRetain, &CountingRelease, nullptr, nullptr};
    int values[3] = {1, 2, 3};
    auto array = AdoptCF<CFMutableArrayRef>(CFArrayCreateMutable(kCFAllocatorSystemDefault, 0, &callBacks));
    callBacks.retain = nullptr;  // the array has its own copy
    callBacks.release = nullptr;
    CFArrayAppendValue(array.Get(), &values[0]);
    CFArrayInsertValueAtIndex(array.Get(), 0, &values[1]);
    CFArraySetValueAtIndex(array.Get(), 1, &values[2]);  // one retain, then one release of the old value
    EXPECT_EQ(gCounts.retains, 3);
    EXPECT_EQ(gCounts.releases, 1);
    EXPECT_EQ(gCounts.lastAllocator, kCFAllocatorSystemDefault);

    auto copy = AdoptCF<CFMutableArrayRef>(CFArrayCreateMutableCopy(nullptr, 0, array.Get()));
    EXPECT_EQ(gCounts.retains, 5);
    CFArrayRemoveAllValues(array.Get());
    EXPECT_EQ(gCounts.releases, 3);
    EXPECT_EQ(CFArrayGetCount(copy.Get()), 2);
    EXPECT_EQ(CFArrayGetValueAtIndex(copy.Get(), 0), &values[1]);
    EXPECT_EQ(CFArrayGetValueAtIndex(copy.Get(), 1), &values[2]);
}

TEST(Array, SettingTheSoleReferenceAgainKeepsTheObjectAlive)
{
    auto array = AdoptCF<CFMutableArrayRef>(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    CFStringRef only = MakeString("only");
    CFArrayAppendValue(array.Get(), only);
    CFRelease(only);  // the array now holds the only reference
    CFArraySetValueAtIndex(array.Get(), 0, only);
    EXPECT_EQ(CFGetRetainCount(only), 1);
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(array.Get(), 0), CFSTR("only")));
    // An index equal to the count appends.
    CFArraySetValueAtIndex(array.Get(), 1, CFSTR("end"));
    EXPECT_EQ(CFArrayGetCount(array.Get()), 2);
}

TEST(Array, EqualityComparesCountThenElementsAndHashIsTheCount)
{
    auto one = AdoptCF<CFStringRef>(MakeString("one"));
    const void* first[] = {one.Get(), CFSTR("two")};
    const void* second[] = {CFSTR("one"), CFSTR("two")};
    auto a = AdoptCF<CFArrayRef>(CFArrayCreate(nullptr, first, 2, &kCFTypeArrayCallBacks));
    auto b = AdoptCF<CFMutableArrayRef>(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    CFArrayAppendValue(b.Get(), second[0]);
    EXPECT_FALSE(CFEqual(a.Get(), b.Get()));
    CFArrayAppendValue(b.Get(), second[1]);
    EXPECT_TRUE(CFEqual(a.Get(), b.Get()));
    EXPECT_EQ(CFHash(a.Get()), CFHash(b.Get()));
    EXPECT_EQ(CFHash(a.Get()), 2u);
    EXPECT_EQ(Describe(a.Get()), "( one, two )");
    CFArraySetValueAtIndex(b.Get(), 0, CFSTR("two"));
    EXPECT_FALSE(CFEqual(a.Get(), b.Get()));
    EXPECT_EQ(CFGetTypeID(a.Get()), CFArrayGetTypeID());

    // Nested arrays compare deeply through CFEqual.
    const void* outerA[] = {a.Get()};
    const void* outerB[] = {b.Get()};
    auto nestedA = AdoptCF<CFArrayRef>(CFArrayCreate(nullptr, outerA, 1, &kCFTypeArrayCallBacks));
    auto nestedB = AdoptCF<CFArrayRef>(CFArrayCreate(nullptr, outerB, 1, &kCFTypeArrayCallBacks));
    EXPECT_FALSE(CFEqual(nestedA.Get(), nestedB.Get()));
    CFArraySetValueAtIndex(b.Get(), 0, CFSTR("one"));
    EXPECT_TRUE(CFEqual(nestedA.Get(), nestedB.Get()));
}

TEST(Array, CreationFailsCleanlyWithoutMemory)
{
    auto held = AdoptCF<CFStringRef>(MakeString("held"));
    const void* values[] = {held.Get()};
    EXPECT_EQ(CFArrayCreate(kCFAllocatorNull, values, 1, &kCFTypeArrayCallBacks), nullptr);
    EXPECT_EQ(CFGetRetainCount(held.Get()), 1);
}

TEST(ArrayDeathTest, MutatingAnImmutableArrayStops)
{
    const void* values[] = {CFSTR("a")};
    auto array = AdoptCF<CFArrayRef>(CFArrayCreate(nullptr, values, 1, &kCFTypeArrayCallBacks));
    auto* cheat = const_cast<CFMutableArrayRef>(array.Get());
    EXPECT_DEATH(CFArrayAppendValue(cheat, CFSTR("b")), "immutable array");
    EXPECT_DEATH(CFArrayRemoveValueAtIndex(cheat, 0), "immutable array");
    EXPECT_DEATH(CFArraySetValueAtIndex(cheat, 0, CFSTR("b")), "immutable array");
}

TEST(ArrayDeathTest, IndexesOutOfRangeStop)
{
    auto array = AdoptCF<CFMutableArrayRef>(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    CFArrayAppendValue(array.Get(), CFSTR("a"));
    EXPECT_DEATH(CFArrayGetValueAtIndex(array.Get(), 1), "index out of range");
    EXPECT_DEATH(CFArrayGetValueAtIndex(array.Get(), -1), "index out of range");
    EXPECT_DEATH(CFArrayInsertValueAtIndex(array.Get(), 2, CFSTR("b")), "index out of range");
    EXPECT_DEATH(CFArrayRemoveValueAtIndex(array.Get(), 1), "index out of range");
    EXPECT_DEATH(CFArraySetValueAtIndex(array.Get(), 2, CFSTR("b")), "index out of range");
}

}  // namespace
