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
    errAENotAppleEvent = -1707
};

// Makes *result a new descriptor holding a copy of the data (the type may be anything, including
// typeNull with no data when dataSize is 0 and typeNull is asked).
OSErr AECreateDesc(DescType typeCode, const void* dataPtr, Size dataSize, AEDesc* result);
// Frees the data and leaves the descriptor as typeNull with no data. NULL is allowed.
OSErr AEDisposeDesc(AEDesc* theAEDesc);
OSErr AEDuplicateDesc(const AEDesc* theAEDesc, AEDesc* result);
void AEInitializeDesc(AEDesc* desc);
Size AEGetDescDataSize(const AEDesc* theAEDesc);
// Copies at most maximumSize bytes of the data into dataPtr.
OSErr AEGetDescData(const AEDesc* theAEDesc, void* dataPtr, Size maximumSize);
OSErr AEReplaceDescData(DescType typeCode, const void* dataPtr, Size dataSize, AEDesc* theAEDesc);

// Lists and records. isRecord makes a record (keyed items); a list otherwise.
OSErr AECreateList(const void* factoringPtr, Size factoredSize, Boolean isRecord, AEDescList* resultList);
OSErr AECountItems(const AEDescList* theAEDescList, long* theCount);
// index 1..count replaces that item; index 0 (or count + 1) appends. The item is copied.
OSErr AEPutDesc(AEDescList* theAEDescList, long index, const AEDesc* theAEDesc);
OSErr AEPutPtr(AEDescList* theAEDescList, long index, DescType typeCode, const void* dataPtr, Size dataSize);
// The item at index 1..count, coerced to desiredType (typeWildCard: as it is); *theAEKeyword
// receives its key in a record (0 in a list).
OSErr AEGetNthDesc(const AEDescList* theAEDescList, long index, DescType desiredType, AEKeyword* theAEKeyword,
                   AEDesc* result);
OSErr AEGetNthPtr(const AEDescList* theAEDescList, long index, DescType desiredType, AEKeyword* theAEKeyword,
                  DescType* typeCode, void* dataPtr, Size maximumSize, Size* actualSize);
OSErr AESizeOfNthItem(const AEDescList* theAEDescList, long index, DescType* typeCode, Size* dataSize);
OSErr AEDeleteItem(AEDescList* theAEDescList, long index);
// Record items by key; putting an existing key replaces it.
OSErr AEPutKeyDesc(AERecord* theAERecord, AEKeyword theAEKeyword, const AEDesc* theAEDesc);
OSErr AEPutKeyPtr(AERecord* theAERecord, AEKeyword theAEKeyword, DescType typeCode, const void* dataPtr,
                  Size dataSize);
OSErr AEGetKeyDesc(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType desiredType, AEDesc* result);
OSErr AEGetKeyPtr(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType desiredType, DescType* typeCode,
                  void* dataPtr, Size maximumSize, Size* actualSize);
OSErr AESizeOfKeyDesc(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType* typeCode, Size* dataSize);
OSErr AEDeleteKeyDesc(AERecord* theAERecord, AEKeyword theAEKeyword);
#define AEPutParamDesc AEPutKeyDesc
#define AEPutParamPtr AEPutKeyPtr
#define AEGetParamDesc AEGetKeyDesc
#define AEGetParamPtr AEGetKeyPtr

// Coercion: the same type copies; 'TEXT' <-> 'utxt' (Mac OS Roman); 'utf8' -> 'utxt' or 'TEXT';
// anything else fails with errAECoercionFail.
OSErr AECoerceDesc(const AEDesc* theAEDesc, DescType toType, AEDesc* result);
OSErr AECoercePtr(DescType typeCode, const void* dataPtr, Size dataSize, DescType toType, AEDesc* result);

#ifdef __cplusplus
}
#endif
