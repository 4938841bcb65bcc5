// The data store behind an AEDesc's dataHandle: plain bytes for an ordinary descriptor, or an
// ordered list of items for a list or a record (in a record every item has its key).
//
// Stores are shared, copy on write: copying a descriptor (putting it into a list, getting an item
// out, duplicating it) adds a reference to its store, and a call that changes a list or record
// first gives the descriptor a store of its own when others share it. A menu of nested submenus
// is copied into its parent level by level; sharing keeps that linear instead of copying every
// record once per level.
#pragma once

#include <Carbon/AEDataModel.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

struct OpaqueAEDataStorage;

namespace platform {

struct AEStorageDeleter {
    void operator()(OpaqueAEDataStorage* storage) const;
};
using AEStoragePtr = std::unique_ptr<OpaqueAEDataStorage, AEStorageDeleter>;

// One entry of a list or record: a descriptor held by value, and its key (0 in a plain list).
struct AEStoredItem {
    AEKeyword key = 0;
    DescType type = typeNull;
    AEStoragePtr data;
};

}  // namespace platform

namespace platform {

// The bytes of a plain descriptor. A menu is made of thousands of small ones (a number, a string
// reference, a key), so up to 16 bytes are held in place instead of in an allocation of their own.
class AEBytes {
public:
    const std::uint8_t* data() const { return mHeap ? mHeap.get() : mInline; }
    size_t size() const { return mSize; }
    // Throws std::bad_alloc.
    void assign(const std::uint8_t* first, size_t count)
    {
        std::unique_ptr<std::uint8_t[]> heap;
        if (count > sizeof mInline) {
            heap.reset(new std::uint8_t[count]);
        }
        mHeap = std::move(heap);
        if (count > 0) {
            std::memcpy(mHeap ? mHeap.get() : mInline, first, count);
        }
        mSize = count;
    }

private:
    size_t mSize = 0;
    std::unique_ptr<std::uint8_t[]> mHeap;
    std::uint8_t mInline[16];
};

}  // namespace platform

struct OpaqueAEDataStorage {
    enum class Kind { bytes, list, record };

    explicit OpaqueAEDataStorage(Kind k) : kind(k) {}

    Kind kind;
    std::atomic<long> references{1};  // descriptors and items holding this store
    platform::AEBytes bytes;                     // Kind::bytes
    std::vector<platform::AEStoredItem> items;   // Kind::list and Kind::record
};

namespace platform {

// Another reference to a store (the contents are shared until one side changes); NULL for NULL.
AEStoragePtr ShareStorage(const OpaqueAEDataStorage* storage);
// A new byte store holding a copy of the bytes. Throws std::bad_alloc.
AEStoragePtr CreateByteStorage(const void* data, Size size);

// Takes the store out of a descriptor, leaving it typeNull with no data.
AEStoragePtr TakeStorage(AEDesc* desc);
// Makes desc the given type and store, without looking at what desc held before (it may be
// uninitialized memory, as the out arguments of the descriptor calls are).
void SetDesc(AEDesc* desc, DescType type, AEStoragePtr storage);

// The list or record behind a descriptor, or NULL when it is not one. For reading only.
OpaqueAEDataStorage* ListStorage(const AEDesc* desc);
// As ListStorage, for a change: a store that others share is first replaced, in desc, by a copy of
// its item list whose items share their own stores. Throws std::bad_alloc.
OpaqueAEDataStorage* MutableListStorage(AEDesc* desc);
// True for the two types whose data must be a list store.
bool IsListType(DescType type);

// paramErr for a negative size or a NULL pointer with bytes to read; noErr otherwise.
OSErr CheckDataArguments(const void* data, Size size);

// Runs a descriptor call, turning an exhausted allocator into memFullErr so that no exception
// crosses the C interface.
template <class Body>
OSErr GuardAllocation(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
}

}  // namespace platform
