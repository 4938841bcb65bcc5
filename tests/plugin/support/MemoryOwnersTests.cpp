// The scoped owners: what they allocate, what they release and when, and how failures reach the
// entry points' barrier.
#include "support/CFObj.h"
#include "support/MemoryOwners.h"

#include <gtest/gtest.h>

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
    for (size_t i = 0; i < bytes; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
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

TEST(MemoryOwners, ZeroCountAllocatesNothingAndOwnsNothing)
{
    AStdMalloc<char> heap;
    heap.AllocateAndCopy("abc", 0, kMemObjClear);
    EXPECT_EQ(heap.Get(), nullptr);
    EXPECT_EQ(heap.GetOwnership(), 0u);
    AMacPtr<UInt8> block;
    block.AllocateAndCopy(nullptr, 0, kMemObjClear);
    EXPECT_EQ(block.Get(), nullptr);
    EXPECT_EQ(block.GetOwnership(), 0u);
}

TEST(AStdMalloc, ClearOptionZeroFillsOnlyWhenNothingIsCopied)
{
    const size_t count = 2048;
    DirtyFreedMemory(count * sizeof(UniChar));
    AStdMalloc<UniChar> cleared;
    cleared.AllocateAndCopy(nullptr, count, kMemObjClear);
    ASSERT_NE(cleared.Get(), nullptr);
    EXPECT_EQ(cleared.GetOwnership(), 1u);
    EXPECT_TRUE(AllZero(cleared.Get(), count * sizeof(UniChar)));

    const UniChar source[] = {'c', 'l', 'i', 'p'};
    AStdMalloc<UniChar> copied;
    copied.AllocateAndCopy(source, 4, kMemObjClear);
    ASSERT_NE(copied.Get(), nullptr);
    EXPECT_EQ(std::memcmp(copied.Get(), source, sizeof source), 0);
}

TEST(AStdMalloc, HandedOutBlockIsLeftToTheReceiver)
{
    char* received = nullptr;
    {
        AStdMalloc<char> owner;
        owner.AllocateAndCopy("stash", 6, kMemObjNoClear);
        received = owner.HandOut();
        EXPECT_EQ(owner.GetOwnership(), 0u);
        EXPECT_EQ(owner.Get(), received);
    }
    // Still ours to read and to free: a second free by the owner would have corrupted the heap.
    EXPECT_STREQ(received, "stash");
    std::free(received);
}

TEST(AStdMalloc, AllocatorIsOneObjectWrappingTheStandardAllocator)
{
    CFAllocatorRef allocator = AStdMalloc<char>::GetCFAllocator();
    ASSERT_NE(allocator, nullptr);
    EXPECT_EQ(AStdMalloc<char>::GetCFAllocator(), allocator);

    CFAllocatorContext context;
    std::memset(&context, 0xFF, sizeof context);
    CFAllocatorGetContext(allocator, &context);
    EXPECT_EQ(context.info, nullptr);
    ASSERT_NE(context.allocate, nullptr);
    ASSERT_NE(context.reallocate, nullptr);
    ASSERT_NE(context.deallocate, nullptr);
    ASSERT_NE(context.preferredSize, nullptr);

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

TEST(AStdMalloc, DataObjectTakesOverAHandedOutBlock)
{
    AStdMalloc<char> owner;
    owner.AllocateAndCopy("flavor bytes", 12, kMemObjNoClear);
    CFObj<CFDataRef> data(CFDataCreateWithBytesNoCopy(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(owner.Get()),
                                                      12, AStdMalloc<char>::GetCFAllocator()));
    ASSERT_NE(data.Get(), nullptr);
    owner.HandOut();
    EXPECT_EQ(CFDataGetBytePtr(data.Get()), reinterpret_cast<const UInt8*>(owner.Get()));
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data.Get()), "flavor bytes", 12), 0);
}

TEST(AMacPtr, AllocatesPointerBlocksOfTheCountAndCopiesOrClears)
{
    const SInt32 count = 4096;
    DirtyFreedMemory(count + 64);
    AMacPtr<char> cleared;
    cleared.AllocateAndCopy(nullptr, count, kMemObjClear);
    ASSERT_NE(cleared.Get(), nullptr);
    EXPECT_EQ(cleared.GetOwnership(), 1u);
    EXPECT_EQ(GetPtrSize(cleared.Get()), count);
    EXPECT_TRUE(AllZero(cleared.Get(), count));

    AMacPtr<UniChar> copied;
    const UniChar units[] = {0xFEFF, 'h', 'i'};
    copied.AllocateAndCopy(units, 3, kMemObjClear);
    ASSERT_NE(copied.Get(), nullptr);
    EXPECT_EQ(GetPtrSize(reinterpret_cast<Ptr>(copied.Get())), static_cast<Size>(sizeof units));
    EXPECT_EQ(std::memcmp(copied.Get(), units, sizeof units), 0);
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

TEST(AStdArrayNew, ClearedArrayReadsZeroAndIsOwned)
{
    AStdArrayNew<UniChar> units(300, kMemObjClear);
    ASSERT_NE(units.Get(), nullptr);
    EXPECT_EQ(units.GetOwnership(), 1u);
    EXPECT_TRUE(AllZero(units.Get(), 300 * sizeof(UniChar)));
}

TEST(AStdNew, DeletesWhatItOwnsOnceAndNeverWhatItAdoptsAgain)
{
    int deletions = 0;
    {
        AStdNew<Tracked> owner;
        EXPECT_EQ(owner.GetOwnership(), 0u);
        auto* first = new Tracked(&deletions);
        owner.Adopt(first);
        EXPECT_EQ(owner.GetOwnership(), 1u);
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
