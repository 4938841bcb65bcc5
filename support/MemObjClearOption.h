// The zero-fill option that every allocation through a block owner takes.
#pragma once

enum EMemObjClearOption {
    kMemObjNoClear = 0,  // the new block's contents are undefined
    kMemObjClear = 1     // the new block is filled with zero bytes (only when nothing is copied in)
};
