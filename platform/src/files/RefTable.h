// The process-wide table behind FSRef values. A reference holds an index into the table, whose
// entry keeps the item's absolute path and its identity (device, inode and kind) at the time the
// reference was made. An index is never reused; an entry whose item this process deleted is
// marked so, and an entry is only believed while its path still leads to the same item. A stale
// reference thus answers fnfErr instead of naming whatever took its item's place, even when the
// file system hands the freed inode number to the new item.
#pragma once

#include <Carbon/Files.h>

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace platform::files {

struct RefEntry {
    std::string path;  // absolute, without links, "." or ".." components at the time it was made
    dev_t device = 0;
    ino_t inode = 0;
    mode_t kind = 0;  // the S_IFMT bits
    UInt64 index = 0;
    bool deleted = false;
};

// Fills ref with a reference to the item at path whose identity is that of info.
void MakeRef(const std::string& path, const struct stat& info, FSRef& ref);

// The entry a reference names: paramErr for NULL, errFSBadFSRef for bytes that are not a
// reference made by this process. Says nothing about whether the item still exists.
OSErr LookUpRef(const FSRef* ref, RefEntry& entry);

// Marks the entry as naming an item that was deleted: it never names anything again.
void MarkDeleted(const RefEntry& entry);

// An all-zero reference, which LookUpRef refuses (the parent of the root folder).
void ClearRef(FSRef& ref);

}  // namespace platform::files
