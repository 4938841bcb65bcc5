// The file-system URL object and the internal ways to make and read one. A URL names a path; it
// never looks at the disk.
#pragma once

#include "base/CFOwner.h"
#include "cf/Runtime.h"

#include <CoreFoundation/CFURL.h>

#include <mutex>
#include <string>
#include <string_view>

struct OpaqueCFURL : platform::RuntimeBase {
    OpaqueCFURL(std::string normalisedPath, bool directory) : path(std::move(normalisedPath)), isDirectory(directory) {}

    // Absolute and normalised: no repeated '/', no "." component, no trailing '/' except for "/".
    // Bytes as the file system takes them (UTF-8 for paths that came from strings).
    std::string path;
    bool isDirectory = false;

    // The "file://" text, made on first use.
    mutable std::once_flag stringOnce;
    mutable platform::CFOwner<CFStringRef> string;
};

namespace platform {

// Normalises a path: a relative one is taken from the current directory; repeated '/' and "."
// components go; ".." stays as a component. False for an empty path, a path with a NUL byte, or
// when the current directory cannot be had.
bool NormaliseFileSystemPath(std::string_view path, std::string& normalised);

// A URL for a path (+1), normalised as above; NULL when the path is refused.
CFURLRef CreateURLFromPath(CFAllocatorRef allocator, std::string_view path, bool isDirectory);

// The normalised path of a URL (no trailing '/' except "/"); aborts when url is not a URL.
const std::string& URLPath(CFURLRef url);

}  // namespace platform
