// Memory Manager pointer blocks: blocks that remember their size.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// A block of byteCount bytes, contents undefined; NULL and MemError() -108 (memFullErr) when none
// can be had, which includes a negative size and one larger than the machine's memory. A size of 0
// gives a valid block of no bytes, to be disposed like any other.
Ptr NewPtr(Size byteCount);
// As NewPtr, filled with zero bytes.
Ptr NewPtrClear(Size byteCount);
// Frees a block from NewPtr or NewPtrClear. NULL is allowed and does nothing (MemError() noErr).
void DisposePtr(Ptr p);
// The block's size in bytes; 0 and MemError() -50 for NULL.
Size GetPtrSize(Ptr p);
// The status of the last Memory Manager call on this thread.
OSErr MemError(void);

#ifdef __cplusplus
}
#endif
