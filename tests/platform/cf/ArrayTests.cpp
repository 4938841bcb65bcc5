// Arrays: the element callbacks decide ownership and equality; replacement and removal release
// only after the new value is held; misuse stops the process.
#include "OwnedRef.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testing_cf::Describe;
using testing_cf::MakeString;
using testing_cf::OwnedRef;

TEST(Array, TypeCallbacksRetainWhileHeldAndReleaseOnRemovalAndDestruction)
{
    OwnedRef<CFStringRef> a(MakeString("a"));
    OwnedRef<CFStringRef> b(MakeString("b"));
    {
        OwnedRef<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
        CFArrayAppendValue(array, a);
        CFArrayAppendValue(array, b);
        CFArrayAppendValue(array, a);
        EXPECT_EQ(CFGetRetainCount(a), 3);
        EXPECT_EQ(CFGetRetainCount(b), 2);
        CFArrayRemoveValueAtIndex(array, 0);
        EXPECT_EQ(CFGetRetainCount(a), 2);
        EXPECT_EQ(CFArrayGetValueAtIndex(array, 0), b.get());
    }
    EXPECT_EQ(CFGetRetainCount(a), 1);
    EXPECT_EQ(CFGetRetainCount(b), 1);
}

TEST(Array, NullCallbacksKeepPlainPointersComparedByIdentity)
{
    OwnedRef<CFStringRef> a(MakeString("same"));
    OwnedRef<CFStringRef> equalToA(MakeString("same"));
    int plain = 7;  // not an object at all: must never be retained or released
    {
        OwnedRef<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, nullptr));
        CFArrayAppendValue(array, a);
        CFArrayAppendValue(array, &plain);
        EXPECT_EQ(CFGetRetainCount(a), 1);
        const CFRange all = CFRangeMake(0, CFArrayGetCount(array));
        EXPECT_EQ(CFArrayGetFirstIndexOfValue(array, all, a), 0);
        EXPECT_EQ(CFArrayGetFirstIndexOfValue(array, all, equalToA), kCFNotFound);
        EXPECT_EQ(CFArrayGetFirstIndexOfValue(array, all, &plain), 1);

        // Copies of either kind keep the callbacks: still nothing retained.
        OwnedRef<CFMutableArrayRef> mutableCopy(CFArrayCreateMutableCopy(nullptr, 0, array));
        OwnedRef<CFArrayRef> copy(CFArrayCreateCopy(nullptr, array));
        EXPECT_EQ(CFGetRetainCount(a), 1);
        EXPECT_EQ(CFArrayGetValueAtIndex(copy, 1), &plain);
        CFArrayRemoveAllValues(mutableCopy);
        EXPECT_EQ(CFGetRetainCount(a), 1);
    }
    EXPECT_EQ(CFGetRetainCount(a), 1);
}

TEST(Array, TypeCallbacksCompareByEqualityAndCount)
{
    OwnedRef<CFStringRef> x1(MakeString("x"));
    OwnedRef<CFStringRef> x2(MakeString("x"));
    const void* values[] = {x1.get(), CFSTR("y"), x2.get()};
    OwnedRef<CFArrayRef> array(CFArrayCreate(nullptr, values, 3, &kCFTypeArrayCallBacks));
    const CFRange all = CFRangeMake(0, 3);
    EXPECT_EQ(CFArrayGetCountOfValue(array, all, CFSTR("x")), 2);
    EXPECT_EQ(CFArrayGetFirstIndexOfValue(array, CFRangeMake(1, 2), CFSTR("x")), 2);
    EXPECT_TRUE(CFArrayContainsValue(array, all, CFSTR("y")));
    EXPECT_FALSE(CFArrayContainsValue(array, CFRangeMake(0, 1), CFSTR("y")));
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
    OwnedRef<CFMutableArrayRef> array(CFArrayCreateMutable(kCFAllocatorSystemDefault, 0, &callBacks));
    callBacks.retain = nullptr;  // the array has its own copy
    callBacks.release = nullptr;
    CFArrayAppendValue(array, &values[0]);
    CFArrayInsertValueAtIndex(array, 0, &values[1]);
    CFArraySetValueAtIndex(array, 1, &values[2]);  // one retain, then one release of the old value
    EXPECT_EQ(gCounts.retains, 3);
    EXPECT_EQ(gCounts.releases, 1);
    EXPECT_EQ(gCounts.lastAllocator, kCFAllocatorSystemDefault);

    OwnedRef<CFArrayRef> copy(CFArrayCreateCopy(nullptr, array));
    EXPECT_EQ(gCounts.retains, 5);
    CFArrayAppendArray(array, copy, CFRangeMake(0, 2));
    EXPECT_EQ(gCounts.retains, 7);
    CFArrayRemoveAllValues(array);
    EXPECT_EQ(gCounts.releases, 5);
    EXPECT_EQ(CFArrayGetCount(copy), 2);
    EXPECT_EQ(CFArrayGetValueAtIndex(copy, 0), &values[1]);
    EXPECT_EQ(CFArrayGetValueAtIndex(copy, 1), &values[2]);
}

TEST(Array, SettingTheSoleReferenceAgainKeepsTheObjectAlive)
{
    OwnedRef<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    CFStringRef only = MakeString("only");
    CFArrayAppendValue(array, only);
    CFRelease(only);  // the array now holds the only reference
    CFArraySetValueAtIndex(array, 0, only);
    EXPECT_EQ(CFGetRetainCount(only), 1);
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(array, 0), CFSTR("only")));
    // An index equal to the count appends.
    CFArraySetValueAtIndex(array, 1, CFSTR("end"));
    EXPECT_EQ(CFArrayGetCount(array), 2);
}

void CollectValue(const void* value, void* context)
{
    static_cast<std::vector<const void*>*>(context)->push_back(value);
}

TEST(Array, EditsKeepTheOrderExpectedAndApplyVisitsTheRangeInOrder)
{
    OwnedRef<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    CFArrayAppendValue(array, CFSTR("b"));
    CFArrayInsertValueAtIndex(array, 0, CFSTR("a"));
    CFArrayInsertValueAtIndex(array, 2, CFSTR("d"));
    CFArrayInsertValueAtIndex(array, 2, CFSTR("c"));
    EXPECT_EQ(Describe(array), "( a, b, c, d )");
    CFArrayExchangeValuesAtIndices(array, 0, 3);
    EXPECT_EQ(Describe(array), "( d, b, c, a )");
    // Appending a part of the array to itself reads the values before they move.
    CFArrayAppendArray(array, array, CFRangeMake(1, 3));
    EXPECT_EQ(Describe(array), "( d, b, c, a, b, c, a )");
    std::vector<const void*> values(2);
    CFArrayGetValues(array, CFRangeMake(5, 2), values.data());
    EXPECT_EQ(values[0], CFSTR("c"));
    EXPECT_EQ(values[1], CFSTR("a"));
    std::vector<const void*> visited;
    CFArrayApplyFunction(array, CFRangeMake(1, 3), &CollectValue, &visited);
    EXPECT_EQ(visited, (std::vector<const void*>{CFSTR("b"), CFSTR("c"), CFSTR("a")}));
    CFArrayRemoveAllValues(array);
    EXPECT_EQ(Describe(array), "( )");
}

TEST(Array, EqualityComparesCountThenElementsAndHashIsTheCount)
{
    OwnedRef<CFStringRef> one(MakeString("one"));
    const void* first[] = {one.get(), CFSTR("two")};
    const void* second[] = {CFSTR("one"), CFSTR("two")};
    OwnedRef<CFArrayRef> a(CFArrayCreate(nullptr, first, 2, &kCFTypeArrayCallBacks));
    OwnedRef<CFMutableArrayRef> b(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    CFArrayAppendValue(b, second[0]);
    EXPECT_FALSE(CFEqual(a, b));
    CFArrayAppendValue(b, second[1]);
    EXPECT_TRUE(CFEqual(a, b));
    EXPECT_EQ(CFHash(a), CFHash(b));
    EXPECT_EQ(CFHash(a), 2u);
    CFArrayExchangeValuesAtIndices(b, 0, 1);
    EXPECT_FALSE(CFEqual(a, b));
    EXPECT_EQ(CFGetTypeID(a), CFArrayGetTypeID());

    // Nested arrays compare deeply through CFEqual.
    const void* outerA[] = {a.get()};
    const void* outerB[] = {b.get()};
    OwnedRef<CFArrayRef> nestedA(CFArrayCreate(nullptr, outerA, 1, &kCFTypeArrayCallBacks));
    OwnedRef<CFArrayRef> nestedB(CFArrayCreate(nullptr, outerB, 1, &kCFTypeArrayCallBacks));
    EXPECT_FALSE(CFEqual(nestedA, nestedB));
    CFArrayExchangeValuesAtIndices(b, 0, 1);
    EXPECT_TRUE(CFEqual(nestedA, nestedB));
}

TEST(Array, CreationFailsCleanlyWithoutMemory)
{
    OwnedRef<CFStringRef> held(MakeString("held"));
    const void* values[] = {held.get()};
    EXPECT_EQ(CFArrayCreate(kCFAllocatorNull, values, 1, &kCFTypeArrayCallBacks), nullptr);
    EXPECT_EQ(CFGetRetainCount(held), 1);
}

TEST(ArrayDeathTest, MutatingAnImmutableArrayStops)
{
    const void* values[] = {CFSTR("a")};
    OwnedRef<CFArrayRef> array(CFArrayCreate(nullptr, values, 1, &kCFTypeArrayCallBacks));
    auto* cheat = const_cast<CFMutableArrayRef>(array.get());
    EXPECT_DEATH(CFArrayAppendValue(cheat, CFSTR("b")), "immutable array");
    EXPECT_DEATH(CFArrayRemoveValueAtIndex(cheat, 0), "immutable array");
    EXPECT_DEATH(CFArraySetValueAtIndex(cheat, 0, CFSTR("b")), "immutable array");
}

TEST(ArrayDeathTest, IndexesOutOfRangeStop)
{
    OwnedRef<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    CFArrayAppendValue(array, CFSTR("a"));
    EXPECT_DEATH(CFArrayGetValueAtIndex(array, 1), "index out of range");
    EXPECT_DEATH(CFArrayGetValueAtIndex(array, -1), "index out of range");
    EXPECT_DEATH(CFArrayInsertValueAtIndex(array, 2, CFSTR("b")), "index out of range");
    EXPECT_DEATH(CFArrayRemoveValueAtIndex(array, 1), "index out of range");
    EXPECT_DEATH(CFArraySetValueAtIndex(array, 2, CFSTR("b")), "index out of range");
    EXPECT_DEATH(CFArrayGetCountOfValue(array, CFRangeMake(0, 2), CFSTR("a")), "range out of bounds");
}

}  // namespace
