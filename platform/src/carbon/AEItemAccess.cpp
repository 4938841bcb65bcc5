// Handing list and record items in and out.
#include "carbon/AEItemAccess.h"

#include <algorithm>

namespace platform {

OSErr ResolveList(const AEDesc* desc, bool recordOnly, OpaqueAEDataStorage*& storage)
{
    storage = nullptr;
    if (desc == nullptr) {
        return paramErr;
    }
    OpaqueAEDataStorage* list = ListStorage(desc);
    if (list == nullptr || (recordOnly && list->kind != OpaqueAEDataStorage::Kind::record)) {
        return errAEWrongDataType;
    }
    storage = list;
    return noErr;
}

OSErr CopyItemOut(const AEStoredItem& item, DescType desiredType, AEDesc* result)
{
    // A view of the stored item: coercion only reads it.
    AEDesc stored{item.type, item.data.get()};
    return AECoerceDesc(&stored, desiredType, result);
}

OSErr CopyItemBytesOut(const AEStoredItem& item, DescType desiredType, DescType* typeCode, void* dataPtr,
                       Size maximumSize, Size* actualSize)
{
    if (typeCode != nullptr) {
        *typeCode = typeNull;
    }
    if (actualSize != nullptr) {
        *actualSize = 0;
    }
    if (maximumSize < 0 || (dataPtr == nullptr && maximumSize > 0)) {
        return paramErr;
    }
    AEDesc coerced;
    if (OSErr err = CopyItemOut(item, desiredType, &coerced); err != noErr) {
        return err;
    }
    if (ListStorage(&coerced) != nullptr) {
        AEDisposeDesc(&coerced);
        return errAEWrongDataType;
    }
    Size size = AEGetDescDataSize(&coerced);
    OSErr err = AEGetDescData(&coerced, dataPtr, std::min(size, maximumSize));
    if (err == noErr) {
        if (typeCode != nullptr) {
            *typeCode = coerced.descriptorType;
        }
        if (actualSize != nullptr) {
            *actualSize = size;
        }
    }
    AEDisposeDesc(&coerced);
    return err;
}

void DescribeItem(const AEStoredItem& item, DescType* typeCode, Size* dataSize)
{
    if (typeCode != nullptr) {
        *typeCode = item.type;
    }
    if (dataSize != nullptr) {
        bool hasBytes = item.data != nullptr && item.data->kind == OpaqueAEDataStorage::Kind::bytes;
        *dataSize = hasBytes ? static_cast<Size>(item.data->bytes.size()) : 0;
    }
}

AEStoredItem CopyItemIn(AEKeyword key, const AEDesc& desc)
{
    return AEStoredItem{key, desc.descriptorType, ShareStorage(desc.dataHandle)};
}

}  // namespace platform
