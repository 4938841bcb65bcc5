// The allocator that lets a data object take over a block from the standard allocator and free it
// with free, so that a buffer handed out by an AStdMalloc owner needs no copy.
#include "support/MemoryOwners.h"

#include <cstdlib>

namespace {

void* MallocAllocate(CFIndex size, CFOptionFlags hint, void* info)
{
    return std::malloc(static_cast<size_t>(size));
}

void* MallocReallocate(void* block, CFIndex newSize, CFOptionFlags hint, void* info)
{
    if (block == nullptr || newSize < 0) {
        return nullptr;
    }
    return std::realloc(block, static_cast<size_t>(newSize));
}

void MallocDeallocate(void* block, void* info)
{
    if (block != nullptr) {
        std::free(block);
    }
}

CFIndex MallocPreferredSize(CFIndex size, CFOptionFlags hint, void* info)
{
    return size;
}

CFAllocatorRef CreateMallocAllocator()
{
    CFAllocatorContext context = {0,       nullptr,         nullptr,          nullptr,          nullptr,
                                  &MallocAllocate, &MallocReallocate, &MallocDeallocate, &MallocPreferredSize};
    return CFAllocatorCreate(kCFAllocatorDefault, &context);
}

}  // namespace

template <>
CFAllocatorRef AStdMalloc<char>::GetCFAllocator()
{
    // Made once for the whole process and kept for its life: data objects that hold blocks freed
    // through it may outlive any one owner.
    static const CFAllocatorRef sAllocator = CreateMallocAllocator();
    return sAllocator;
}
