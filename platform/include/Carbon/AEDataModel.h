// Apple Event descriptors: a type code with an optional data store; lists and records of them.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef FourCharCode DescType;
typedef FourCharCode AEKeyword;
typedef struct OpaqueAEDataStorage* AEDataStorage;

typedef struct AEDesc {
    DescType descriptorType;
    AEDataStorage dataHandle;
} AEDesc;

typedef AEDesc AEDescList;
typedef AEDescList AERecord;
typedef struct AEKeyDesc {
    AEKeyword descKey;
    AEDesc descContent;
} AEKeyDesc;

enum {
    typeNull = 'null',
    typeWildCard = '****',
    typeAEList = 'list',
    typeAERecord = 'reco',
    typeChar = 'TEXT',
    typeUnicodeText = 'utxt',
    typeUTF8Text = 'utf8',
    typeCFStringRef = 'cfst',
    typeSInt16 = 'shor',
    typeSInt32 = 'long',
    typeSInt64 = 'comp',
    typeBoolean = 'bool',
    typeTrue = 'true',
    typeFalse = 'fals',
    typeType = 'type',
    typeFSRef = 'fsrf',
    typeData = 'tdta',
    keyAEName = 'pnam'
};

enum {
    errAECoercionFail = -1700,
    errAEDescNotFound = -1701,
    errAECorruptData = -1702,
    errAEWrongDataType = -1703,
    errAENotAEDesc = -1704,
    errAEBadListItem = -1705,
    errAENewerVersion = -1706,
    errAENotAppleEvent = -1707,
    errAEHandlerNotFound = -1717
};

// Descriptors own their data: every call that stores a descriptor stores a copy (lists and records
// all the way down), and every call that hands one out hands out a copy that the caller disposes.
// A 'cfst' datum is a pointer-sized CFStringRef; the descriptor calls never retain or release it:
// its one reference passes to whoever reads the record.
// Out descriptors are set to typeNull with no data when a call fails, so disposing them is always
// safe. A NULL descriptor pointer is answered with paramErr.

// Makes *result a new descriptor holding a copy of the data. Any type but typeAEList and
// typeAERecord (errAEWrongDataType: lists are made with AECreateList); typeNull never carries data.
// 0 bytes of another type still make a data store, empty.
OSErr AECreateDesc(DescType typeCode, const void* dataPtr, Size dataSize, AEDesc* result);
// Frees the data and leaves the descriptor as typeNull with no data. NULL is allowed.
OSErr AEDisposeDesc(AEDesc* theAEDesc);
// A deep copy; result may be theAEDesc itself.
OSErr AEDuplicateDesc(const AEDesc* theAEDesc, AEDesc* result);
void AEInitializeDesc(AEDesc* desc);
// The size of the bytes; 0 for a list or record, whose data is items rather than bytes.
Size AEGetDescDataSize(const AEDesc* theAEDesc);
// Copies at most maximumSize bytes of the data into dataPtr. A list or record: errAEWrongDataType.
OSErr AEGetDescData(const AEDesc* theAEDesc, void* dataPtr, Size maximumSize);

// Lists and records. isRecord makes a record (keyed items); a list otherwise. A record is also a
// list of its items in the order their keys were first put. Calls that need a list or record
// answer errAEWrongDataType for any other descriptor. The factoring arguments are not used.
OSErr AECreateList(const void* factoringPtr, Size factoredSize, Boolean isRecord, AEDescList* resultList);
OSErr AECountItems(const AEDescList* theAEDescList, long* theCount);
// index 1..count replaces that item; index 0 (or count + 1) appends; any other index is
// errAEBadListItem. The item is copied (a list or record deeply), so the caller may dispose its
// own. In a record a replaced item keeps its key, and appending is refused (errAEWrongDataType):
// record items are added by key.
OSErr AEPutDesc(AEDescList* theAEDescList, long index, const AEDesc* theAEDesc);
OSErr AEPutPtr(AEDescList* theAEDescList, long index, DescType typeCode, const void* dataPtr, Size dataSize);
// The item at index 1..count, coerced to desiredType (typeWildCard: as it is); *theAEKeyword
// receives its key in a record (0 in a list). An index outside 1..count: errAEBadListItem; a
// failed coercion: errAECoercionFail.
OSErr AEGetNthDesc(const AEDescList* theAEDescList, long index, DescType desiredType, AEKeyword* theAEKeyword,
                   AEDesc* result);
// As AEGetNthDesc, the bytes copied into dataPtr (at most maximumSize); *actualSize receives the
// whole size, which may be more. An item that is a list or record: errAEWrongDataType.
// The item's type and byte size as stored (a list or record counts 0).
OSErr AEDeleteItem(AEDescList* theAEDescList, long index);
// Record items by key; putting an existing key replaces it where it stands. An absent key:
// errAEDescNotFound.
OSErr AEPutKeyDesc(AERecord* theAERecord, AEKeyword theAEKeyword, const AEDesc* theAEDesc);
OSErr AEPutKeyPtr(AERecord* theAERecord, AEKeyword theAEKeyword, DescType typeCode, const void* dataPtr,
                  Size dataSize);
OSErr AEGetKeyDesc(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType desiredType, AEDesc* result);
OSErr AEGetKeyPtr(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType desiredType, DescType* typeCode,
                  void* dataPtr, Size maximumSize, Size* actualSize);
OSErr AESizeOfKeyDesc(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType* typeCode, Size* dataSize);
#define AEPutParamDesc AEPutKeyDesc
#define AEPutParamPtr AEPutKeyPtr
#define AEGetParamDesc AEGetKeyDesc
#define AEGetParamPtr AEGetKeyPtr

// Coercion: the same type (or typeWildCard) copies as is; 'TEXT' <-> 'utxt' (Mac OS Roman);
// 'utf8' -> 'utxt' or 'TEXT'; anything else fails with errAECoercionFail, lists and records
// included. 'utxt' made by coercion has no byte-order mark; 'utxt' read by coercion loses a
// leading U+FEFF in host order and an odd last byte; 'utf8' loses a leading EF BB BF. Malformed
// UTF-8, or a character that Mac OS Roman cannot hold when 'TEXT' is wanted, is errAECoercionFail.
// AECoerceDesc's result may be theAEDesc itself (replaced on success, untouched on failure).
OSErr AECoerceDesc(const AEDesc* theAEDesc, DescType toType, AEDesc* result);

// A coercion of one's own, consulted before the built-in ones for its pair of types (never for the
// same type or typeWildCard). The handler fills *toDesc and answers a status; it may answer a
// descriptor of another type than toType, which the caller then sees as it is. Only descriptor
// handlers exist here: fromTypeIsDesc must be true (paramErr otherwise). Installing a pair again
// replaces its handler; isSysHandler is not used.
typedef OSErr (*AECoerceDescProcPtr)(const AEDesc* fromDesc, DescType toType, void* handlerRefcon, AEDesc* toDesc);
typedef AECoerceDescProcPtr AECoercionHandlerUPP;
OSErr AEInstallCoercionHandler(DescType fromType, DescType toType, AECoercionHandlerUPP handler, void* handlerRefcon,
                               Boolean fromTypeIsDesc, Boolean isSysHandler);
// errAEHandlerNotFound when that handler is not installed for the pair.
OSErr AERemoveCoercionHandler(DescType fromType, DescType toType, AECoercionHandlerUPP handler, Boolean isSysHandler);

#ifdef __cplusplus
}
#endif
