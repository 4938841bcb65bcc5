// Records: items found by their key. A key appears at most once; putting it again replaces the
// item where it stands, so the order of the keys is the order in which they were first put.
#include <Carbon/AEDataModel.h>

#include "carbon/AEItemAccess.h"

#include <algorithm>

using namespace platform;

namespace {

// Records hold a handful of keys; a scan is the cheapest lookup there is.
AEStoredItem* FindKey(OpaqueAEDataStorage* record, AEKeyword key)
{
    auto found = std::find_if(record->items.begin(), record->items.end(),
                              [key](const AEStoredItem& item) { return item.key == key; });
    return found == record->items.end() ? nullptr : &*found;
}

// The record store and the item under key: errAEDescNotFound when the key is absent.
OSErr ResolveKey(const AERecord* theAERecord, AEKeyword key, AEStoredItem*& item)
{
    item = nullptr;
    OpaqueAEDataStorage* record = nullptr;
    if (OSErr err = ResolveList(theAERecord, true, record); err != noErr) {
        return err;
    }
    item = FindKey(record, key);
    return item == nullptr ? static_cast<OSErr>(errAEDescNotFound) : static_cast<OSErr>(noErr);
}

}  // namespace

OSErr AEPutKeyDesc(AERecord* theAERecord, AEKeyword theAEKeyword, const AEDesc* theAEDesc)
{
    if (theAEDesc == nullptr) {
        return paramErr;
    }
    OpaqueAEDataStorage* record = nullptr;
    if (OSErr err = ResolveList(theAERecord, true, record); err != noErr) {
        return err;
    }
    return GuardAllocation([&] {
        // Copied before the record changes: the value may be the record itself.
        AEStoredItem copy = CopyItemIn(theAEKeyword, *theAEDesc);
        record = MutableListStorage(theAERecord);
        if (AEStoredItem* existing = FindKey(record, theAEKeyword)) {
            *existing = std::move(copy);
        } else {
            record->items.push_back(std::move(copy));
        }
        return noErr;
    });
}

OSErr AEPutKeyPtr(AERecord* theAERecord, AEKeyword theAEKeyword, DescType typeCode, const void* dataPtr,
                  Size dataSize)
{
    AEDesc value;
    if (OSErr err = AECreateDesc(typeCode, dataPtr, dataSize, &value); err != noErr) {
        return err;
    }
    OSErr err = AEPutKeyDesc(theAERecord, theAEKeyword, &value);
    AEDisposeDesc(&value);
    return err;
}

OSErr AEGetKeyDesc(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType desiredType, AEDesc* result)
{
    if (result == nullptr) {
        return paramErr;
    }
    AEInitializeDesc(result);
    AEStoredItem* item = nullptr;
    if (OSErr err = ResolveKey(theAERecord, theAEKeyword, item); err != noErr) {
        return err;
    }
    return CopyItemOut(*item, desiredType, result);
}

OSErr AEGetKeyPtr(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType desiredType, DescType* typeCode,
                  void* dataPtr, Size maximumSize, Size* actualSize)
{
    AEStoredItem* item = nullptr;
    if (OSErr err = ResolveKey(theAERecord, theAEKeyword, item); err != noErr) {
        return err;
    }
    return CopyItemBytesOut(*item, desiredType, typeCode, dataPtr, maximumSize, actualSize);
}

OSErr AESizeOfKeyDesc(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType* typeCode, Size* dataSize)
{
    AEStoredItem* item = nullptr;
    if (OSErr err = ResolveKey(theAERecord, theAEKeyword, item); err != noErr) {
        return err;
    }
    DescribeItem(*item, typeCode, dataSize);
    return noErr;
}
