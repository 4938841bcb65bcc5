// Memory Manager pointer blocks: sizes remembered, zero fill, the per-thread status, failures that
// report memFullErr instead of aborting, and the failure hook that tests of the block owners use.
#include <Carbon/MacMemory.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <thread>

namespace {

class PointerBlocks : public testing::Test {
protected:
    void TearDown() override { PlatformFailNextAllocationsForTesting(0); }
};

TEST_F(PointerBlocks, BlocksRememberTheirSizeAndHoldWhatIsWritten)
{
    for (Size size : {Size{1}, Size{7}, Size{16}, Size{4096}, Size{1} << 20}) {
        Ptr block = NewPtr(size);
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(MemError(), noErr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u) << size;
        std::memset(block, 0xA5, static_cast<size_t>(size));  // the whole block is writable
        EXPECT_EQ(GetPtrSize(block), size);
        EXPECT_EQ(static_cast<unsigned char>(block[size - 1]), 0xA5);
        DisposePtr(block);
        EXPECT_EQ(MemError(), noErr);
    }
}

TEST_F(PointerBlocks, ClearedBlocksReadZeroEvenWhereFreedMemoryWasDirty)
{
    // Small blocks and the large ones placed on huge pages; an odd size leaves a partly used last
    // page. Dirty a block and give it back, so that the cleared one is likely to reuse its memory.
    for (Size size : {Size{256}, Size{(9 << 20) + 3}}) {
        Ptr dirty = NewPtr(size);
        ASSERT_NE(dirty, nullptr);
        std::memset(dirty, 0xFF, static_cast<size_t>(size));
        DisposePtr(dirty);
        Ptr clean = NewPtrClear(size);
        ASSERT_NE(clean, nullptr);
        for (Size i = 0; i < size; ++i) {
            ASSERT_EQ(clean[i], 0) << "byte " << i << " of " << size;
        }
        EXPECT_EQ(GetPtrSize(clean), size);
        clean[size - 1] = 1;
        DisposePtr(clean);
    }
}

TEST_F(PointerBlocks, AZeroSizeGivesARealBlockOfNoBytesAndNullPointersAreHarmless)
{
    Ptr empty = NewPtr(0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetPtrSize(empty), 0);
    Ptr other = NewPtrClear(0);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, empty);
    DisposePtr(other);
    DisposePtr(empty);

    EXPECT_EQ(GetPtrSize(nullptr), 0);
    EXPECT_EQ(MemError(), paramErr);
    DisposePtr(nullptr);
    EXPECT_EQ(MemError(), noErr);
}

TEST_F(PointerBlocks, ImpossibleSizesFailWithMemFullAndTheNextSuccessClearsTheError)
{
    for (Size size : {Size{-1}, Size{LONG_MIN}, Size{LONG_MAX}, Size{LONG_MAX} - 8, Size{1} << 50}) {
        EXPECT_EQ(NewPtr(size), nullptr) << size;
        EXPECT_EQ(MemError(), memFullErr) << size;
        EXPECT_EQ(NewPtrClear(size), nullptr) << size;
        EXPECT_EQ(MemError(), memFullErr) << size;
    }
    Ptr block = NewPtr(8);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MemError(), noErr);
    DisposePtr(block);
}

TEST_F(PointerBlocks, TheFailureHookFailsExactlyTheNextAllocations)
{
    PlatformFailNextAllocationsForTesting(2);
    EXPECT_EQ(NewPtr(16), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(NewPtrClear(16), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    Ptr third = NewPtr(16);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(MemError(), noErr);
    DisposePtr(third);

    PlatformFailNextAllocationsForTesting(5);
    PlatformFailNextAllocationsForTesting(0);  // cancels what is left
    Ptr block = NewPtr(1);
    EXPECT_NE(block, nullptr);
    DisposePtr(block);
}

TEST_F(PointerBlocks, StatusAndFailureHookBelongToTheCallingThread)
{
    PlatformFailNextAllocationsForTesting(1);
    OSErr otherThreadStatus = 1;
    bool otherThreadGotBlock = false;
    std::thread other([&] {
        Ptr block = NewPtr(32);
        otherThreadGotBlock = block != nullptr;
        otherThreadStatus = MemError();
        DisposePtr(block);
    });
    other.join();
    EXPECT_TRUE(otherThreadGotBlock);
    EXPECT_EQ(otherThreadStatus, noErr);

    EXPECT_EQ(NewPtr(32), nullptr);  // this thread's injected failure is still pending
    EXPECT_EQ(MemError(), memFullErr);

    std::thread checker([&] { otherThreadStatus = MemError(); });
    checker.join();
    EXPECT_EQ(otherThreadStatus, noErr);  // a new thread starts clean
}

TEST(PointerBlocksDeathTest, DisposingMemoryThatIsNotABlockOrABlockTwiceAborts)
{
    alignas(std::max_align_t) static char notABlock[64] = {};
    EXPECT_DEATH(DisposePtr(notABlock + 32), "not a block");
    EXPECT_DEATH(GetPtrSize(notABlock + 32), "not a block");
    // A large block is a mapping of its own, given back whole when it is disposed.
    EXPECT_DEATH(
        {
            Ptr large = NewPtr(16 << 20);
            DisposePtr(large);
            DisposePtr(large);
        },
        "already disposed");
}

}  // namespace
