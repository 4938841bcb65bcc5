// The scoped owners: what they allocate, what they release and when, and how failures reach the
// entry points' barrier.
#include "support/CFObj.h"
#include "support/MemoryOwners.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The malloc-backed allocator lives for the whole process; making it before the first test keeps
// it out of every test's live-object balance.
class MallocAllocatorEnvironment : public testing::Environment {
public:
    void SetUp() override { AStdMalloc<char>::GetCFAllocator(); }
};
const testing::Environment* const gMallocAllocatorEnvironment =
    testing::AddGlobalTestEnvironment(new MallocAllocatorEnvironment);

// Leaves a recognisable pattern in freed memory of that size, where the next block of the same
// size is likely to come from, so that a block handed out without zero-filling shows it.
void DirtyFreedMemory(size_t bytes)
{
    void* block = std::malloc(bytes);
    std::memset(block, 0xAB, bytes);
    // Keeps the compiler from dropping the pattern as a store to memory about to be freed.
    asm volatile("" : : "r"(block) : "memory");
    std::free(block);
}

bool AllZero(const void* block, size_t bytes)
{
    const auto* p = static_cast<const unsigned char*>(block);
    return std::all_of(p, p + bytes, [](unsigned char byte) { return byte == 0; });
}

struct Huge {
    char bytes[1 << 20];
};

// Counts the objects destroyed, to see exactly when an owner deletes.
struct Tracked {
    explicit Tracked(int* deletions) : mDeletions(deletions) {}
    virtual ~Tracked() { ++*mDeletions; }
    int* mDeletions;
};

// Clearing zero-fills a block only when nothing is copied into it; a count of 0 allocates nothing.
TEST(MemoryOwners, BlocksAreClearedOrCopiedAndZeroCountAllocatesNothing)
{
    const size_t count = 2048;
    DirtyFreedMemory(count * sizeof(UniChar));
    AStdMalloc<UniChar> cleared;
    cleared.AllocateAndCopy(nullptr, count, kMemObjClear);
    ASSERT_NE(cleared.Get(), nullptr);
    EXPECT_EQ(cleared.GetOwnership(), 1u);
    EXPECT_TRUE(AllZero(cleared.Get(), count * sizeof(UniChar)));

    DirtyFreedMemory(4096 + 64);
    AMacPtr<char> clearedPtr;
    clearedPtr.AllocateAndCopy(nullptr, 4096, kMemObjClear);
    ASSERT_NE(clearedPtr.Get(), nullptr);
    EXPECT_EQ(GetPtrSize(clearedPtr.Get()), 4096);
    EXPECT_TRUE(AllZero(clearedPtr.Get(), 4096));

    AStdArrayNew<UniChar> array(300, kMemObjClear);
    ASSERT_NE(array.Get(), nullptr);
    EXPECT_EQ(array.GetOwnership(), 1u);
    EXPECT_TRUE(AllZero(array.Get(), 300 * sizeof(UniChar)));

    const UniChar units[] = {0xFEFF, 'h', 'i'};
    AStdMalloc<UniChar> copied;
    copied.AllocateAndCopy(units, 3, kMemObjClear);
    ASSERT_NE(copied.Get(), nullptr);
    EXPECT_EQ(std::memcmp(copied.Get(), units, sizeof units), 0);
    AMacPtr<UniChar> copiedPtr;
    copiedPtr.AllocateAndCopy(units, 3, kMemObjClear);
    ASSERT_NE(copiedPtr.Get(), nullptr);
    EXPECT_EQ(GetPtrSize(reinterpret_cast<Ptr>(copiedPtr.Get())), static_cast<Size>(sizeof units));
    EXPECT_EQ(std::memcmp(copiedPtr.Get(), units, sizeof units), 0);

    AStdMalloc<char> none;
    none.AllocateAndCopy("abc", 0, kMemObjClear);
    AMacPtr<UInt8> nonePtr;
    nonePtr.AllocateAndCopy(nullptr, 0, kMemObjClear);
    EXPECT_EQ(none.Get(), nullptr);
    EXPECT_EQ(none.GetOwnership(), 0u);
    EXPECT_EQ(nonePtr.Get(), nullptr);
    EXPECT_EQ(nonePtr.GetOwnership(), 0u);
}

// A handed-out block stays readable and is freed by the data object that took it over, through the
// one process-wide malloc allocator: a second free by the owner would have corrupted the heap.
TEST(AStdMalloc, ADataObjectTakesOverAHandedOutBlockThroughTheMallocAllocator)
{
    CFAllocatorRef allocator = AStdMalloc<char>::GetCFAllocator();
    ASSERT_NE(allocator, nullptr);
    EXPECT_EQ(AStdMalloc<char>::GetCFAllocator(), allocator);
    {
        AStdMalloc<char> owner;
        owner.AllocateAndCopy("flavor bytes", 12, kMemObjNoClear);
        CFObj<CFDataRef> data(CFDataCreateWithBytesNoCopy(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(owner.Get()),
                                                          12, allocator));
        ASSERT_NE(data.Get(), nullptr);
        char* received = owner.HandOut();
        EXPECT_EQ(owner.GetOwnership(), 0u);
        EXPECT_EQ(owner.Get(), received);
        EXPECT_EQ(CFDataGetBytePtr(data.Get()), reinterpret_cast<const UInt8*>(received));
        EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data.Get()), "flavor bytes", 12), 0);
    }

    CFAllocatorContext context;
    std::memset(&context, 0xFF, sizeof context);
    CFAllocatorGetContext(allocator, &context);
    EXPECT_EQ(context.info, nullptr);
    ASSERT_TRUE(context.allocate && context.reallocate && context.deallocate && context.preferredSize);
    EXPECT_EQ(context.reallocate(nullptr, 16, 0, nullptr), nullptr);
    void* block = context.allocate(8, 0, nullptr);
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "1234567", 8);
    EXPECT_EQ(context.reallocate(block, -1, 0, nullptr), nullptr);
    block = context.reallocate(block, 64, 0, nullptr);
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(static_cast<char*>(block), "1234567");
    context.deallocate(block, nullptr);
    context.deallocate(nullptr, nullptr);
    EXPECT_EQ(context.preferredSize(37, 0, nullptr), 37);
}

// The entry points' barrier catches what the owners throw by its type: a malloc-backed block
// reports a 32-bit status, a pointer block the Memory Manager's 16-bit one.
template <typename Thrown, typename Owner>
void ExpectMemFullThrownAs(Owner& owner, UInt32 count)
{
    try {
        owner.AllocateAndCopy(nullptr, count, kMemObjNoClear);
        ADD_FAILURE() << "an allocation of petabytes succeeded";
    } catch (Thrown status) {
        EXPECT_EQ(status, memFullErr);
    } catch (...) {
        ADD_FAILURE() << "thrown as another type";
    }
    EXPECT_EQ(owner.Get(), nullptr);
    EXPECT_EQ(owner.GetOwnership(), 0u);
}

TEST(MemoryOwners, FailedAllocationThrowsTheMemoryErrorAsTheOwnersStatusType)
{
    AStdMalloc<Huge> heap;
    ExpectMemFullThrownAs<SInt32>(heap, UINT32_MAX);
    AMacPtr<Huge> block;
    ExpectMemFullThrownAs<OSErr>(block, INT32_MAX);
}

TEST(AStdNew, DeletesWhatItOwnsOnceAndNeverWhatItAdoptsAgain)
{
    int deletions = 0;
    {
        AStdNew<Tracked> owner;
        EXPECT_EQ(owner.GetOwnership(), 0u);
        auto* first = new Tracked(&deletions);
        owner.Adopt(first);
        owner.Adopt(first);
        EXPECT_EQ(deletions, 0);
        EXPECT_EQ(owner.Get(), first);
        owner.Adopt(new Tracked(&deletions));
        EXPECT_EQ(deletions, 1);
    }
    EXPECT_EQ(deletions, 2);
}

TEST(CFObj, ReleasesItsOneReferenceAndAdoptingTheSameObjectKeepsIt)
{
    CFStringRef text = CFStringCreateWithCString(kCFAllocatorDefault, "clip", kCFStringEncodingUTF8);
    ASSERT_NE(text, nullptr);
    CFRetain(text);
    {
        CFObj<CFStringRef> owner(text);
        owner.Adopt(text);
        EXPECT_EQ(CFGetRetainCount(text), 2);
    }
    EXPECT_EQ(CFGetRetainCount(text), 1);

    CFObjDel untyped(text);
    CFObjDel other(CFStringCreateWithCString(kCFAllocatorDefault, "other", kCFStringEncodingUTF8));
    CFTypeRef given = other.HandOut();
    EXPECT_EQ(other.Get(), nullptr);
    untyped.Adopt(given);  // releases text, the last reference to it
    EXPECT_EQ(untyped.Get(), given);
}

}  // namespace
