// Ordinary descriptors: making, copying, disposing, and reading or replacing their bytes.
#include <Carbon/AEDataModel.h>

#include "carbon/AEDataStorage.h"

#include <algorithm>
#include <cstring>

using namespace platform;

void AEInitializeDesc(AEDesc* desc)
{
    if (desc != nullptr) {
        desc->descriptorType = typeNull;
        desc->dataHandle = nullptr;
    }
}

OSErr AECreateDesc(DescType typeCode, const void* dataPtr, Size dataSize, AEDesc* result)
{
    if (result == nullptr) {
        return paramErr;
    }
    AEInitializeDesc(result);
    if (OSErr err = CheckDataArguments(dataPtr, dataSize); err != noErr) {
        return err;
    }
    // Lists and records are made with AECreateList; bytes under their type would not be one.
    if (IsListType(typeCode)) {
        return errAEWrongDataType;
    }
    // A null descriptor is the absence of a value: it never carries data.
    if (typeCode == typeNull) {
        return noErr;
    }
    return GuardAllocation([&] {
        SetDesc(result, typeCode, CreateByteStorage(dataPtr, dataSize));
        return noErr;
    });
}

OSErr AEDisposeDesc(AEDesc* theAEDesc)
{
    if (theAEDesc != nullptr) {
        TakeStorage(theAEDesc);
    }
    return noErr;
}

OSErr AEDuplicateDesc(const AEDesc* theAEDesc, AEDesc* result)
{
    if (theAEDesc == nullptr || result == nullptr) {
        return paramErr;
    }
    // The copy is made before result is touched: result may be the very descriptor being copied.
    // In that case its old store is freed, since nothing else can reach it afterwards.
    DescType type = theAEDesc->descriptorType;
    AEStoragePtr copy;
    OSErr err = GuardAllocation([&] {
        copy = ShareStorage(theAEDesc->dataHandle);
        return noErr;
    });
    if (err != noErr) {
        if (result != theAEDesc) {
            AEInitializeDesc(result);
        }
        return err;
    }
    if (result == theAEDesc) {
        TakeStorage(result);
    }
    SetDesc(result, type, std::move(copy));
    return noErr;
}

Size AEGetDescDataSize(const AEDesc* theAEDesc)
{
    if (theAEDesc == nullptr || theAEDesc->dataHandle == nullptr || ListStorage(theAEDesc) != nullptr) {
        return 0;
    }
    return static_cast<Size>(theAEDesc->dataHandle->bytes.size());
}

OSErr AEGetDescData(const AEDesc* theAEDesc, void* dataPtr, Size maximumSize)
{
    if (theAEDesc == nullptr || maximumSize < 0 || (dataPtr == nullptr && maximumSize > 0)) {
        return paramErr;
    }
    if (ListStorage(theAEDesc) != nullptr) {
        return errAEWrongDataType;
    }
    if (theAEDesc->dataHandle == nullptr) {
        return noErr;
    }
    const auto& bytes = theAEDesc->dataHandle->bytes;
    size_t count = std::min(bytes.size(), static_cast<size_t>(maximumSize));
    if (count > 0) {
        std::memcpy(dataPtr, bytes.data(), count);
    }
    return noErr;
}
