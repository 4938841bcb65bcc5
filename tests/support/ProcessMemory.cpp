#include "support/ProcessMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace testsupport {
namespace {

struct Region {
    unsigned long start;
    unsigned long end;
};

// Private writable regions that are the heap or anonymous. Huge reservations (a sanitizer's shadow
// memory) are not memory anything was ever copied into by the code under test, and reading them
// would take far too long.
std::vector<Region> HeapRegions(Region except)
{
    constexpr unsigned long kLargest = 1ul << 30;
    std::vector<Region> regions;
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (maps == nullptr) {
        return regions;
    }
    char line[4096];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        Region region{};
        char permissions[5] = {};
        int nameAt = 0;
        if (std::sscanf(line, "%lx-%lx %4s %*s %*s %*s %n", &region.start, &region.end, permissions, &nameAt) < 3) {
            continue;
        }
        std::string_view name(line + nameAt);
        while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) {
            name.remove_suffix(1);
        }
        const bool heap = name.empty() || name == "[heap]";
        if (heap && permissions[0] == 'r' && permissions[1] == 'w' && permissions[3] == 'p' &&
            region.end - region.start <= kLargest) {
            // The excepted range may have been merged into a neighbouring mapping: only it is cut out.
            if (except.start < region.end && region.start < except.end) {
                if (region.start < except.start) {
                    regions.push_back({region.start, except.start});
                }
                if (except.end < region.end) {
                    regions.push_back({except.end, region.end});
                }
            } else {
                regions.push_back(region);
            }
        }
    }
    std::fclose(maps);
    return regions;
}

}  // namespace

size_t CountInProcessMemory(std::string_view needle)
{
    if (needle.empty()) {
        return 0;
    }
    const int memory = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (memory < 0) {
        return kUnreadable;
    }
    // Read in chunks that overlap by the needle's length, so an occurrence across two is found.
    // The chunk is read into a mapping of its own, left out of the search and given back to the
    // system afterwards: a copy of what was found must not be found again, nor stay behind.
    constexpr size_t kChunk = 1 << 20;
    const size_t bufferSize = kChunk + needle.size();
    void* mapped = ::mmap(nullptr, bufferSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        ::close(memory);
        return kUnreadable;
    }
    char* const buffer = static_cast<char*>(mapped);
    size_t count = 0;
    const Region own{reinterpret_cast<unsigned long>(buffer), reinterpret_cast<unsigned long>(buffer) + bufferSize};
    for (const Region& region : HeapRegions(own)) {
        for (unsigned long at = region.start; at < region.end; at += kChunk) {
            const size_t wanted = std::min<unsigned long>(kChunk + needle.size() - 1, region.end - at);
            const ssize_t got = ::pread(memory, buffer, wanted, static_cast<off_t>(at));
            if (got <= 0) {
                break;
            }
            // Only matches that start in this chunk: the overlap is the next chunk's.
            const char* begin = buffer;
            const char* end = begin + got;
            const char* lastStart = begin + std::min<size_t>(kChunk, static_cast<size_t>(got));
            for (const char* found = begin;; ++found) {
                found = std::search(found, end, needle.begin(), needle.end());
                if (found == end || found >= lastStart) {
                    break;
                }
                ++count;
            }
        }
    }
    ::munmap(mapped, bufferSize);
    ::close(memory);
    return count;
}

}  // namespace testsupport
