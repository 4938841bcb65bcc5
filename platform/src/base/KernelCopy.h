// Copying bytes from one file to another inside the kernel, so that a clip's flavor of many
// megabytes moves between its package and the clipboard without being read into the process.
//
// copy_file_range first: on a file system that shares blocks (Btrfs, XFS) it clones them, elsewhere
// the kernel copies page by page; sendfile where it refuses. FICLONE alone works only on those few file
// systems, and a hard link would make a package file and a clipboard file one file, so that a
// change to either (any program of the user may rewrite a package file in place) would change the
// other; the clipboard also lives in the runtime folder, another file system than the clips.
#pragma once

#include "base/Result.h"

#include <sys/types.h>

#include <cstddef>

namespace platform {

// Copies length bytes from the start of from to the offset at of to. When the kernel refuses
// copy_file_range (EXDEV across file systems of different kinds, EINVAL, ENOSYS, EOPNOTSUPP, or a
// file system that copies nothing), what is left goes by sendfile, still inside the kernel; when
// that is refused too, through a buffer of a megabyte. A failure carries the errno value; ENODATA
// when from holds fewer than length bytes. The offset of to may move.
Result<void> CopyFileBytes(int from, int to, off_t at, size_t length);

// Which ways of copying inside the kernel a test refuses.
enum class KernelWays { CopyFileRange, All };

// From now on the kernel refuses those ways with error, as it would across file systems, until
// called again with 0; answers how many calls it refused since the last call.
long RefuseKernelCopiesForTesting(int error, KernelWays ways = KernelWays::All);

}  // namespace platform
