// Copying bytes from one file to another inside the kernel, so that a clip's flavor of many
// megabytes moves between its package and the clipboard without being read into the process.
//
// copy_file_range is the one way used: on a file system that shares blocks (Btrfs, XFS) it clones
// them, elsewhere the kernel copies page by page. FICLONE alone works only on those few file
// systems, and a hard link would make a package file and a clipboard file one file, so that a
// change to either (any program of the user may rewrite a package file in place) would change the
// other; the clipboard also lives in the runtime folder, another file system than the clips.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace platform {

// Copies length bytes from the start of from to the offset at of to. When the kernel refuses the
// copy (EXDEV across file systems on older kernels, EINVAL, ENOSYS, EOPNOTSUPP, or a file system
// that copies nothing), what is left is copied through a buffer of a megabyte. 0, or the errno
// value; ENODATA when from holds fewer than length bytes.
int CopyFileBytes(int from, int to, off_t at, size_t length);

// From now on the kernel refuses every copy with error, as it would across file systems, until
// called again with 0; answers how many copies it refused since the last call.
long RefuseKernelCopiesForTesting(int error);

}  // namespace platform
