// Making, copying and freeing descriptor data stores.
#include "carbon/AEDataStorage.h"

namespace platform {

void AEStorageDeleter::operator()(OpaqueAEDataStorage* storage) const
{
    if (storage->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete storage;
    }
}

AEStoragePtr ShareStorage(const OpaqueAEDataStorage* storage)
{
    if (storage == nullptr) {
        return nullptr;
    }
    auto* shared = const_cast<OpaqueAEDataStorage*>(storage);
    shared->references.fetch_add(1, std::memory_order_relaxed);
    return AEStoragePtr(shared);
}

OpaqueAEDataStorage* MutableListStorage(AEDesc* desc)
{
    OpaqueAEDataStorage* list = ListStorage(desc);
    if (list == nullptr || list->references.load(std::memory_order_acquire) == 1) {
        return list;
    }
    AEStoragePtr copy(new OpaqueAEDataStorage(list->kind));
    copy->items.reserve(list->items.size());
    for (const AEStoredItem& item : list->items) {
        copy->items.push_back(AEStoredItem{item.key, item.type, ShareStorage(item.data.get())});
    }
    AEStoragePtr previous(desc->dataHandle);  // gives back this descriptor's share of the old store
    desc->dataHandle = copy.release();
    return desc->dataHandle;
}

AEStoragePtr CreateByteStorage(const void* data, Size size)
{
    AEStoragePtr storage(new OpaqueAEDataStorage(OpaqueAEDataStorage::Kind::bytes));
    if (size > 0) {
        storage->bytes.assign(static_cast<const std::uint8_t*>(data), static_cast<size_t>(size));
    }
    return storage;
}

AEStoragePtr TakeStorage(AEDesc* desc)
{
    AEStoragePtr storage(desc->dataHandle);
    desc->descriptorType = typeNull;
    desc->dataHandle = nullptr;
    return storage;
}

void SetDesc(AEDesc* desc, DescType type, AEStoragePtr storage)
{
    desc->descriptorType = type;
    desc->dataHandle = storage.release();
}

OpaqueAEDataStorage* ListStorage(const AEDesc* desc)
{
    if (desc == nullptr || desc->dataHandle == nullptr) {
        return nullptr;
    }
    return desc->dataHandle->kind == OpaqueAEDataStorage::Kind::bytes ? nullptr : desc->dataHandle;
}

OSErr CheckDataArguments(const void* data, Size size)
{
    if (size < 0 || (data == nullptr && size > 0)) {
        return paramErr;
    }
    return noErr;
}

bool IsListType(DescType type)
{
    return type == typeAEList || type == typeAERecord;
}

}  // namespace platform
