// Memory Manager pointer blocks. Each block is preceded by a small header that remembers its size,
// so that GetPtrSize can answer and DisposePtr can tell a block of ours from any other pointer.
#include <Carbon/MacMemory.h>
#include <PlatformHost.h>

#include "carbon/FileBackedBlocks.h"
#include "cf/Runtime.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint64_t kLiveBlockTag = 0x5054524C49564531ULL;  // "PTRLIVE1"
constexpr std::uint64_t kFreedBlockTag = 0x5054524652454544ULL;  // "PTRFREED"

// The header keeps the block that follows it aligned for any type.
struct alignas(std::max_align_t) BlockHeader {
    std::uint64_t tag;
    Size size;
};

// Both are per thread: a Memory Manager status describes the calling thread's last call, and a
// test that arranges failures must not make another thread's allocations fail.
thread_local OSErr tLastError = noErr;
thread_local int tFailuresToInject = 0;

// The largest block worth asking the system for: nothing larger than the machine's physical
// memory. A bigger request fails at once with memFullErr instead of being handed to malloc, which
// under some runtimes (sanitizers, strict overcommit settings) aborts rather than answer NULL.
Size LargestBlock()
{
    static const Size largest = [] {
        long pages = sysconf(_SC_PHYS_PAGES);
        long pageSize = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0) {
            return static_cast<Size>(1) << 32;
        }
        return static_cast<Size>(pages) * static_cast<Size>(pageSize);
    }();
    return largest;
}

// Large blocks (a clip's flavor of many megabytes) are mappings of their own: their bytes start on
// a page boundary, so that a file's pages can take the place of the block's (FileBackedBlocks.h),
// and they are offered to the kernel for huge pages, as filling a fresh 64 MiB block one 4 KiB page
// fault at a time costs several times what reading the bytes does. A fresh mapping is zero already.
constexpr size_t kHugePage = static_cast<size_t>(2) << 20;
constexpr size_t kHugeBlockThreshold = 2 * kHugePage;

// What a large block's header page keeps besides the header: the mapping to give back.
struct MappingRecord {
    void* start;
    size_t length;
};

size_t PageSize()
{
    static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

bool IsLarge(size_t total)
{
    return total >= kHugeBlockThreshold;
}

// The memory of a block of byteCount bytes, which begins with the header; NULL when there is none.
BlockHeader* AllocateMemory(size_t byteCount, bool clear)
{
    const size_t total = sizeof(BlockHeader) + byteCount;
    if (!IsLarge(total)) {
        return static_cast<BlockHeader*>(clear ? std::calloc(1, total) : std::malloc(total));
    }
    const size_t page = PageSize();
    const size_t length = (page + byteCount + kHugePage - 1) / kHugePage * kHugePage;
    // Room to align the start on a huge page, the rest given back at once.
    void* reserved = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (reserved == MAP_FAILED) {
        return nullptr;
    }
    auto base = reinterpret_cast<std::uintptr_t>(reserved);
    auto start = (base + kHugePage - 1) / kHugePage * kHugePage;
    if (start > base) {
        ::munmap(reserved, start - base);
    }
    if (std::uintptr_t end = base + length + kHugePage; end > start + length) {
        ::munmap(reinterpret_cast<void*>(start + length), end - (start + length));
    }
    // Only a hint: without transparent huge pages the block is simply made of small pages.
    ::madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
    auto* data = reinterpret_cast<char*>(start + page);
    auto* header = reinterpret_cast<BlockHeader*>(data) - 1;
    auto* record = reinterpret_cast<MappingRecord*>(header) - 1;
    *record = MappingRecord{reinterpret_cast<void*>(start), length};
    platform::RememberLargeBlock(data, byteCount);
    return header;
}

void FreeMemory(BlockHeader* header)
{
    if (!IsLarge(sizeof(BlockHeader) + static_cast<size_t>(header->size))) {
        std::free(header);
        return;
    }
    platform::ForgetLargeBlock(header + 1);
    MappingRecord record = *(reinterpret_cast<MappingRecord*>(header) - 1);
    ::munmap(record.start, record.length);
}

BlockHeader* HeaderOf(Ptr p)
{
    return reinterpret_cast<BlockHeader*>(p) - 1;
}

Ptr AllocateBlock(Size byteCount, bool clear)
{
    if (tFailuresToInject > 0) {
        --tFailuresToInject;
        tLastError = memFullErr;
        return nullptr;
    }
    if (byteCount < 0 || byteCount > LargestBlock() - static_cast<Size>(sizeof(BlockHeader))) {
        tLastError = memFullErr;
        return nullptr;
    }
    BlockHeader* header = AllocateMemory(static_cast<size_t>(byteCount), clear);
    if (header == nullptr) {
        tLastError = memFullErr;
        return nullptr;
    }
    header->tag = kLiveBlockTag;
    header->size = byteCount;
    tLastError = noErr;
    return reinterpret_cast<Ptr>(header + 1);
}

// A large block's header sits at the end of the page before its bytes, and disposing of the block
// gives that page back: the header of a pointer that starts a page is read only while its page is
// still mapped, so a large block disposed twice is told as such rather than faulting.
bool HeaderPageMapped(const BlockHeader* header)
{
    const size_t page = PageSize();
    void* start = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(header) / page * page);
    unsigned char resident = 0;
    return ::mincore(start, 1, &resident) == 0 || errno != ENOMEM;
}

// A pointer that is not one of our live blocks is a programming error that would corrupt the heap
// if we went on: a block disposed twice, or memory that never came from NewPtr.
BlockHeader* CheckedHeaderOf(Ptr p, const char* whenFreed, const char* whenForeign)
{
    BlockHeader* header = HeaderOf(p);
    if (reinterpret_cast<std::uintptr_t>(p) % PageSize() == 0 && !HeaderPageMapped(header)) {
        platform::FatalError(whenFreed);
    }
    if (header->tag != kLiveBlockTag) {
        platform::FatalError(header->tag == kFreedBlockTag ? whenFreed : whenForeign);
    }
    return header;
}

}  // namespace

Ptr NewPtr(Size byteCount)
{
    return AllocateBlock(byteCount, false);
}

Ptr NewPtrClear(Size byteCount)
{
    return AllocateBlock(byteCount, true);
}

void DisposePtr(Ptr p)
{
    if (p == nullptr) {
        tLastError = noErr;
        return;
    }
    BlockHeader* header = CheckedHeaderOf(p, "DisposePtr called with a block already disposed",
                                          "DisposePtr called with a pointer that is not a block");
    header->tag = kFreedBlockTag;
    FreeMemory(header);
    tLastError = noErr;
}

Size GetPtrSize(Ptr p)
{
    if (p == nullptr) {
        tLastError = paramErr;
        return 0;
    }
    BlockHeader* header = CheckedHeaderOf(p, "GetPtrSize called with a block already disposed",
                                          "GetPtrSize called with a pointer that is not a block");
    tLastError = noErr;
    return header->size;
}

OSErr MemError(void)
{
    return tLastError;
}

void PlatformFailNextAllocationsForTesting(int count)
{
    tFailuresToInject = count > 0 ? count : 0;
}
