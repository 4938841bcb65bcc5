// Memory Manager blocks whose bytes are a file's: the way a clip's flavor of many megabytes goes
// from a file to a file (a clip package and the clipboard) inside the kernel, while the plug-in
// still holds it as a block it can read and change, as the Scrap Manager and the File Manager
// promise.
//
// A read of a whole regular file into a whole large block (FSReadFork, or GetScrapFlavorData from
// the clipboard folder) puts a private mapping of the file in the block's place instead of copying:
// nothing is read until the block is touched, and a change to the block stays the process's own.
// A later write of that whole block to a file (FSWriteFork, PutScrapFlavor) then copies from the
// file in the kernel (KernelCopy.h), but only while every page of the block is still the file's:
// a page the process has changed, or the kernel's page table that cannot be read, means the bytes
// are written from memory as for any block.
//
// The mapping reads the file as it is when a page is first touched. The clipboard's flavor files
// never change once written, and Stashwell writes clip packages only whole, under new files; a
// program that cut a package's flavor file short while its block is in use would make touching
// the lost pages fault, which a read into memory would have turned into a short read.
#pragma once

#include "base/ScopedFd.h"

#include <cstddef>

namespace platform {

// The Memory Manager's register of its large blocks (page-aligned mappings of their own).
void RememberLargeBlock(void* data, size_t size);
void ForgetLargeBlock(void* data);

// Puts the first length bytes of the regular file fd in the place of the block that starts at
// destination, when it is a large block of exactly length bytes and the file holds exactly that
// many. False, with nothing changed, when it cannot: the caller then reads as usual.
bool MapFileIntoBlock(void* destination, size_t length, int fd);

// The file whose bytes the block [data, data + length) still holds unchanged, as a descriptor of
// its own; invalid when the range is not such a whole block, or may have changed.
ScopedFd FileBehindBlock(const void* data, size_t length);

}  // namespace platform
