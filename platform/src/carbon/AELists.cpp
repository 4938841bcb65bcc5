// Descriptor lists, and records taken as lists: counting, putting, getting and deleting by index.
#include <Carbon/AEDataModel.h>

#include "carbon/AEItemAccess.h"

using namespace platform;

namespace {

// Valid item indexes are 1 ... count.
bool IsItemIndex(const OpaqueAEDataStorage* list, long index)
{
    return index >= 1 && static_cast<size_t>(index) <= list->items.size();
}

// The item at index 1 ... count, and its key when theAEKeyword is given.
OSErr FindNthItem(const AEDescList* theAEDescList, long index, AEKeyword* theAEKeyword, const AEStoredItem*& item)
{
    OpaqueAEDataStorage* list = nullptr;
    if (OSErr err = ResolveList(theAEDescList, false, list); err != noErr) {
        return err;
    }
    if (!IsItemIndex(list, index)) {
        return errAEBadListItem;
    }
    item = &list->items[static_cast<size_t>(index - 1)];
    if (theAEKeyword != nullptr) {
        *theAEKeyword = item->key;
    }
    return noErr;
}

}  // namespace

OSErr AECreateList(const void* factoringPtr, Size factoredSize, Boolean isRecord, AEDescList* resultList)
{
    // Factoring (a shared header of all items) was only a way to save memory; the items here are
    // kept whole, so the factoring arguments are accepted and not used.
    if (resultList == nullptr) {
        return paramErr;
    }
    AEInitializeDesc(resultList);
    return GuardAllocation([&] {
        auto kind = isRecord ? OpaqueAEDataStorage::Kind::record : OpaqueAEDataStorage::Kind::list;
        SetDesc(resultList, isRecord ? typeAERecord : typeAEList, AEStoragePtr(new OpaqueAEDataStorage(kind)));
        return noErr;
    });
}

OSErr AECountItems(const AEDescList* theAEDescList, long* theCount)
{
    if (theCount == nullptr) {
        return paramErr;
    }
    *theCount = 0;
    OpaqueAEDataStorage* list = nullptr;
    if (OSErr err = ResolveList(theAEDescList, false, list); err != noErr) {
        return err;
    }
    *theCount = static_cast<long>(list->items.size());
    return noErr;
}

OSErr AEPutDesc(AEDescList* theAEDescList, long index, const AEDesc* theAEDesc)
{
    if (theAEDesc == nullptr) {
        return paramErr;
    }
    OpaqueAEDataStorage* list = nullptr;
    if (OSErr err = ResolveList(theAEDescList, false, list); err != noErr) {
        return err;
    }
    bool appending = index == 0 || static_cast<size_t>(index) == list->items.size() + 1;
    if (!appending && !IsItemIndex(list, index)) {
        return errAEBadListItem;
    }
    // An item appended to a record would have no key, and a record without keys is no record.
    if (appending && list->kind == OpaqueAEDataStorage::Kind::record) {
        return errAEWrongDataType;
    }
    return GuardAllocation([&] {
        // The copy is taken before the list changes: the item may be the list itself, and then it
        // keeps the list as it was while the list gets a store of its own.
        AEStoredItem copy = CopyItemIn(0, *theAEDesc);
        list = MutableListStorage(theAEDescList);
        if (appending) {
            list->items.push_back(std::move(copy));
        } else {
            AEStoredItem& slot = list->items[static_cast<size_t>(index - 1)];
            copy.key = slot.key;
            slot = std::move(copy);
        }
        return noErr;
    });
}

OSErr AEPutPtr(AEDescList* theAEDescList, long index, DescType typeCode, const void* dataPtr, Size dataSize)
{
    AEDesc item;
    if (OSErr err = AECreateDesc(typeCode, dataPtr, dataSize, &item); err != noErr) {
        return err;
    }
    OSErr err = AEPutDesc(theAEDescList, index, &item);
    AEDisposeDesc(&item);
    return err;
}

OSErr AEGetNthDesc(const AEDescList* theAEDescList, long index, DescType desiredType, AEKeyword* theAEKeyword,
                   AEDesc* result)
{
    if (result == nullptr) {
        return paramErr;
    }
    AEInitializeDesc(result);
    const AEStoredItem* item = nullptr;
    if (OSErr err = FindNthItem(theAEDescList, index, theAEKeyword, item); err != noErr) {
        return err;
    }
    return CopyItemOut(*item, desiredType, result);
}

OSErr AEDeleteItem(AEDescList* theAEDescList, long index)
{
    OpaqueAEDataStorage* list = nullptr;
    if (OSErr err = ResolveList(theAEDescList, false, list); err != noErr) {
        return err;
    }
    if (!IsItemIndex(list, index)) {
        return errAEBadListItem;
    }
    return GuardAllocation([&] {
        list = MutableListStorage(theAEDescList);
        list->items.erase(list->items.begin() + (index - 1));
        return noErr;
    });
}
