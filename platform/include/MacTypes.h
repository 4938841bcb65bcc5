// The basic scalar types and status codes of the original desktop platform, as the plug-in's
// sources expect to find them.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef float Float32;
typedef double Float64;

typedef unsigned char Boolean;
typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef UInt16 UniChar;
typedef unsigned long UniCharCount;
typedef unsigned long ItemCount;
typedef UInt32 OptionBits;
typedef long Size;
typedef char* Ptr;
typedef Ptr* Handle;
typedef unsigned char Str255[256];
typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStringPtr;
typedef const unsigned char* ConstStr255Param;
typedef SInt32 HRESULT;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Status codes used across the platform and the plug-in.
enum {
    noErr = 0,
    unimpErr = -4,
    ioErr = -36,
    bdNamErr = -37,
    eofErr = -39,
    tmfoErr = -42,
    fnfErr = -43,
    wPrErr = -44,
    fLckdErr = -45,
    vLckdErr = -46,
    fBsyErr = -47,
    dupFNErr = -48,
    opWrErr = -49,
    paramErr = -50,
    rfNumErr = -51,
    wrPermErr = -61,
    dirNFErr = -120,
    memFullErr = -108,
    nilHandleErr = -109,
    memWZErr = -111,
    afpAccessDenied = -5000,
    userCanceledErr = -128,
    resNotFound = -192,
    dskFulErr = -34,
    permErr = -54,
    notAFileErr = -1302,
    errFSBadFSRef = -1401,
    errFSForkNotFound = -1409,
    errFSNameTooLong = -1411,
    errFSMissingName = -1412,
    errFSBadIteratorFlags = -1421,
    errFSIteratorNotFound = -1423,
    errFSIteratorNotSupported = -1424,
    errFSNotAFolder = -1407,
    fsDataTooBigErr = -1310,
    gestaltUnknownErr = -5550,
    gestaltUndefSelectorErr = -5551
};

// Builds a four-character code from its four characters, the first in the most significant byte.
#define PLATFORM_FOUR_CHAR(a, b, c, d) \
    ((UInt32)(UInt8)(a) << 24 | (UInt32)(UInt8)(b) << 16 | (UInt32)(UInt8)(c) << 8 | (UInt32)(UInt8)(d))

#ifdef __cplusplus
}
#endif
