// Reaching the item a reference names without ever following a symbolic link inside the tree:
// every step goes through the descriptor of the folder that holds the item, and every step checks
// that the name still leads to the same item (device and inode) that the reference was made for.
#pragma once

#include "files/RefTable.h"
#include "base/ScopedFd.h"

#include <Carbon/Files.h>

#include <sys/stat.h>

#include <string>

namespace platform::files {

using platform::ScopedFd;

struct Item {
    RefEntry entry;
    std::string path;
    struct stat info {};  // of the item itself: a link is described as the link
};

// The item a reference names, checked to be still there: paramErr or errFSBadFSRef for a
// reference that is not one, fnfErr when the item is gone or something else took its place.
OSErr ResolveRef(const FSRef* ref, Item& item);

// A descriptor (O_PATH) of a folder item for the *at calls. dirNFErr when the item is not a
// folder (a link to a folder is not one); fnfErr when it was replaced meanwhile.
OSErr OpenFolder(const Item& item, ScopedFd& folder);

// A descriptor of the folder that holds the item, and the item's name in it, after checking
// through that descriptor that the name still leads to the item. parentInfo describes the folder.
// permErr for the root folder, which has no parent to change.
OSErr OpenParent(const Item& item, ScopedFd& parent, std::string& name, struct stat& parentInfo);

// Describes the item called diskName in an opened folder (not following a link) and makes a
// reference to it. fnfErr when there is none.
OSErr MakeRefInFolder(int folderFd, const std::string& folderPath, const std::string& diskName, FSRef* ref,
                      struct stat* info);

// Node flags as the File Manager reports them: locked (the owner may not write; never for a
// link, whose own mode means nothing) and folder.
bool IsLocked(const struct stat& info);
UInt16 NodeFlagsFor(const struct stat& info);

// Gives the item called name in an opened folder the permission bits mode, after checking that
// the name still leads to the expected item. A link cannot have its own mode changed: permErr.
OSErr SetItemMode(int folderFd, const std::string& name, const struct stat& expected, mode_t mode);

// Fills the fields of catalogInfo that whichInfo names from the item's description.
void FillCatalogInfo(const struct stat& info, FSCatalogInfoBitmap whichInfo, FSCatalogInfo& catalogInfo);

bool IsSameItem(const struct stat& info, const RefEntry& entry);
bool IsSameItem(const struct stat& a, const struct stat& b);

}  // namespace platform::files
