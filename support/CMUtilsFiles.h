// File-system conveniences of the plug-in: deleting a file or a folder with everything in it.
#pragma once

#include <Carbon/Carbon.h>

namespace CMUtils {

// Deletes the item; a folder first loses its contents, depth first. Locked items are unlocked
// before they are deleted. paramErr for a NULL reference; otherwise noErr or the status of the
// first step that failed, in which case the items not yet reached stay. A symbolic link is
// deleted as the link it is: what it points to is never touched.
OSStatus DeleteObject(const FSRef* ref);

// Deletes everything inside the folder, depth first, and leaves the folder itself. noErr when
// nothing is left; otherwise the first failing status, and the items not yet reached stay.
OSStatus FSDeleteContainerContents(const FSRef* container);

}  // namespace CMUtils
