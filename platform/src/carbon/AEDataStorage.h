// The data store behind an AEDesc's dataHandle: plain bytes for an ordinary descriptor, or an
// ordered list of items for a list or a record (in a record every item has its key). Every store
// has exactly one owner: a descriptor, or the item of a list that holds it. Copying a descriptor
// copies its store, lists all the way down.
#pragma once

#include <Carbon/AEDataModel.h>

#include <cstdint>
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

struct OpaqueAEDataStorage {
    enum class Kind { bytes, list, record };

    explicit OpaqueAEDataStorage(Kind k) : kind(k) {}

    Kind kind;
    std::vector<std::uint8_t> bytes;             // Kind::bytes
    std::vector<platform::AEStoredItem> items;   // Kind::list and Kind::record
};

namespace platform {

// A deep copy of a store; NULL for NULL. Throws std::bad_alloc.
AEStoragePtr CloneStorage(const OpaqueAEDataStorage* storage);
// A new byte store holding a copy of the bytes. Throws std::bad_alloc.
AEStoragePtr CreateByteStorage(const void* data, Size size);

// Takes the store out of a descriptor, leaving it typeNull with no data.
AEStoragePtr TakeStorage(AEDesc* desc);
// Makes desc the given type and store, without looking at what desc held before (it may be
// uninitialized memory, as the out arguments of the descriptor calls are).
void SetDesc(AEDesc* desc, DescType type, AEStoragePtr storage);

// The list or record behind a descriptor, or NULL when it is not one.
OpaqueAEDataStorage* ListStorage(const AEDesc* desc);
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
