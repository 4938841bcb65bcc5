// What the list calls and the record calls share: finding the list behind a descriptor and
// handing one item out, as a descriptor or as bytes, coerced to the type the caller asked for.
#pragma once

#include "carbon/AEDataStorage.h"

namespace platform {

// The list or record store of a descriptor: paramErr for NULL, errAEWrongDataType when the
// descriptor is not a list or record (or, when recordOnly, not a record).
OSErr ResolveList(const AEDesc* desc, bool recordOnly, OpaqueAEDataStorage*& storage);

// *result becomes a copy of the item coerced to desiredType (typeWildCard: as it is).
OSErr CopyItemOut(const AEStoredItem& item, DescType desiredType, AEDesc* result);

// The item coerced to desiredType, its bytes copied into dataPtr (at most maximumSize);
// *actualSize receives the whole size, which may be larger. The out arguments may be NULL. An
// item that is itself a list or record has no bytes to give: errAEWrongDataType.
OSErr CopyItemBytesOut(const AEStoredItem& item, DescType desiredType, DescType* typeCode, void* dataPtr,
                       Size maximumSize, Size* actualSize);

// The type and byte size of an item as it is stored (a list or record counts 0 bytes).
void DescribeItem(const AEStoredItem& item, DescType* typeCode, Size* dataSize);

// A stored copy of a descriptor, with the key it will have in its list. Throws std::bad_alloc.
AEStoredItem CopyItemIn(AEKeyword key, const AEDesc& desc);

}  // namespace platform
