// The component object model that plug-in interfaces follow: every interface table starts with
// QueryInterface, AddRef and Release.
#pragma once

#include <CoreFoundation/CFPlugIn.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef SInt32 HRESULT;
typedef UInt32 ULONG;
typedef void* LPVOID;
typedef CFUUIDBytes REFIID;

#define S_OK ((HRESULT)0x00000000L)
#define E_NOINTERFACE ((HRESULT)0x80000004L)
#define SUCCEEDED(status) ((HRESULT)(status) >= 0)
#define FAILED(status) ((HRESULT)(status) < 0)

// The identifier of the base interface that every interface also answers.
#define IUnknownUUID                                                                                \
    CFUUIDGetConstantUUIDWithBytes(kCFAllocatorSystemDefault, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, \
                                   0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

#define IUNKNOWN_C_GUTS                                                        \
    void* _reserved;                                                           \
    HRESULT (*QueryInterface)(void* thisPointer, REFIID iid, LPVOID* ppv);     \
    ULONG (*AddRef)(void* thisPointer);                                        \
    ULONG (*Release)(void* thisPointer)

typedef struct IUnknownVTbl {
    IUNKNOWN_C_GUTS;
} IUnknownVTbl;

#ifdef __cplusplus
}
#endif
