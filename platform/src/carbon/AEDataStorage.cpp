// Making, copying and freeing descriptor data stores.
#include "carbon/AEDataStorage.h"

namespace platform {

void AEStorageDeleter::operator()(OpaqueAEDataStorage* storage) const
{
    delete storage;
}

AEStoragePtr CloneStorage(const OpaqueAEDataStorage* storage)
{
    if (storage == nullptr) {
        return nullptr;
    }
    AEStoragePtr copy(new OpaqueAEDataStorage(storage->kind));
    copy->bytes = storage->bytes;
    copy->items.reserve(storage->items.size());
    for (const AEStoredItem& item : storage->items) {
        copy->items.push_back(AEStoredItem{item.key, item.type, CloneStorage(item.data.get())});
    }
    return copy;
}

AEStoragePtr CreateByteStorage(const void* data, Size size)
{
    AEStoragePtr storage(new OpaqueAEDataStorage(OpaqueAEDataStorage::Kind::bytes));
    if (size > 0) {
        const auto* first = static_cast<const std::uint8_t*>(data);
        storage->bytes.assign(first, first + size);
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
