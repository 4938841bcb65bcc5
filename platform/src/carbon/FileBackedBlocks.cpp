#include "carbon/FileBackedBlocks.h"

#include "cf/Runtime.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace platform {
namespace {

// What the kernel's page table says of one page (/proc/self/pagemap).
constexpr std::uint64_t kPagePresent = std::uint64_t{1} << 63;
constexpr std::uint64_t kPageSwapped = std::uint64_t{1} << 62;
constexpr std::uint64_t kPageFromFile = std::uint64_t{1} << 61;

struct LargeBlock {
    size_t size = 0;
    ScopedFd file;  // valid while the block is a mapping of it
};

struct Register {
    std::mutex mutex;
    std::map<const void*, LargeBlock> blocks;
};

// Never destroyed: blocks may be disposed of while the process exits.
Register& Blocks()
{
    static Register* blocks = new Register;
    return *blocks;
}

size_t PageSize()
{
    static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

// The page table's word for each page of [start, start + pages pages); empty when it cannot be
// read.
std::vector<std::uint64_t> PageTable(const void* start, size_t pages)
{
    std::vector<std::uint64_t> entries(pages);
    ScopedFd table(::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC));
    if (!table.IsValid()) {
        return {};
    }
    const off_t offset = static_cast<off_t>(reinterpret_cast<std::uintptr_t>(start) / PageSize() * sizeof(std::uint64_t));
    const size_t bytes = pages * sizeof(std::uint64_t);
    size_t done = 0;
    while (done < bytes) {
        ssize_t got = ::pread(table.Get(), reinterpret_cast<char*>(entries.data()) + done, bytes - done,
                              offset + static_cast<off_t>(done));
        if (got <= 0) {
            return {};
        }
        done += static_cast<size_t>(got);
    }
    return entries;
}

// A page the process wrote to in a private mapping of a file is its own copy: anonymous memory,
// present or swapped out. Pages never touched, or only read, are still the file's.
bool StillTheFiles(const std::vector<std::uint64_t>& entries)
{
    for (std::uint64_t entry : entries) {
        if ((entry & (kPagePresent | kPageSwapped)) != 0 && (entry & kPageFromFile) == 0) {
            return false;
        }
    }
    return true;
}

// Whether this kernel's page table tells a changed page from the file's (some kernels and
// sandboxes hide it, or answer zeros): tried once on a small file of three pages, one read, one
// written, one left alone.
bool PageTableTellsChanges()
{
    static const bool tells = [] {
        const size_t page = PageSize();
        ScopedFd file(::memfd_create("stashwell-page-probe", MFD_CLOEXEC));
        if (!file.IsValid() || ::ftruncate(file.Get(), static_cast<off_t>(3 * page)) != 0) {
            return false;
        }
        void* mapping = ::mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE, file.Get(), 0);
        if (mapping == MAP_FAILED) {
            return false;
        }
        auto* bytes = static_cast<volatile char*>(mapping);
        char read = bytes[0];
        bytes[page] = static_cast<char>(read + 1);
        std::vector<std::uint64_t> entries = PageTable(mapping, 3);
        ::munmap(mapping, 3 * page);
        return entries.size() == 3 && (entries[0] & kPagePresent) != 0 && StillTheFiles({entries[0]}) &&
               (entries[1] & kPagePresent) != 0 && !StillTheFiles({entries[1]}) && StillTheFiles({entries[2]});
    }();
    return tells;
}

}  // namespace

void RememberLargeBlock(void* data, size_t size)
{
    Register& blocks = Blocks();
    std::lock_guard lock(blocks.mutex);
    blocks.blocks[data] = LargeBlock{size, ScopedFd()};
}

void ForgetLargeBlock(void* data)
{
    Register& blocks = Blocks();
    std::lock_guard lock(blocks.mutex);
    blocks.blocks.erase(data);
}

bool MapFileIntoBlock(void* destination, size_t length, int fd)
{
    if (length == 0 || !PageTableTellsChanges()) {
        return false;
    }
    struct stat info {};
    const int access = ::fcntl(fd, F_GETFL) & O_ACCMODE;
    if ((access != O_RDONLY && access != O_RDWR) || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<size_t>(info.st_size) != length) {
        return false;
    }
    Register& blocks = Blocks();
    std::lock_guard lock(blocks.mutex);
    auto found = blocks.blocks.find(destination);
    if (found == blocks.blocks.end() || found->second.size != length) {
        return false;
    }
    ScopedFd file(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!file.IsValid()) {
        return false;
    }
    // The block's own pages give way to the file's; the block's length rounded up to whole pages
    // stays inside its mapping, and the bytes after the file's end in its last page read as zeros.
    if (::mmap(destination, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, file.Get(), 0) == MAP_FAILED) {
        // A failed replacement may already have taken the block's pages away: fresh ones go back,
        // which the caller's read then fills.
        if (::mmap(destination, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED) {
            FatalError("a block lost its memory while a file was being placed in it");
        }
        return false;
    }
    found->second.file = std::move(file);
    return true;
}

ScopedFd FileBehindBlock(const void* data, size_t length)
{
    Register& blocks = Blocks();
    int fd = -1;
    {
        std::lock_guard lock(blocks.mutex);
        auto found = blocks.blocks.find(data);
        if (found == blocks.blocks.end() || found->second.size != length || !found->second.file.IsValid()) {
            return ScopedFd();
        }
        fd = ::fcntl(found->second.file.Get(), F_DUPFD_CLOEXEC, 0);
    }
    ScopedFd file(fd);
    const size_t pages = (length + PageSize() - 1) / PageSize();
    std::vector<std::uint64_t> entries = PageTable(data, pages);
    if (!file.IsValid() || entries.empty() || !StillTheFiles(entries)) {
        return ScopedFd();
    }
    return file;
}

}  // namespace platform
