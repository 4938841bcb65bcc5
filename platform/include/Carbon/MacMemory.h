// Memory Manager pointer blocks: blocks that remember their size.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// A block of byteCount bytes, contents undefined; NULL and MemError() -108 when none can be had.
Ptr NewPtr(Size byteCount);
// As NewPtr, filled with zero bytes.
Ptr NewPtrClear(Size byteCount);
void DisposePtr(Ptr p);
// The block's size in bytes; 0 and MemError() -50 for NULL.
Size GetPtrSize(Ptr p);
// The status of the last Memory Manager call on this thread.
OSErr MemError(void);
void BlockMoveData(const void* srcPtr, void* destPtr, Size byteCount);

#ifdef __cplusplus
}
#endif
