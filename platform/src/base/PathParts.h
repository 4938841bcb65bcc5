// The folder and the last component of a path, as the file base splits them.
#pragma once

#include "FreeDeleter.h"

#include <stdlib.h>

#include <string>

namespace platform {

// The folder part of a path ("." for a bare name, "/" for a name in the root).
inline std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The last component of a path.
inline std::string NameOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A path the user named (on the command line), with the links the user made resolved, so that a
// file reached through the user's own link is read or replaced where it lives while the readers
// and writers themselves never follow a link; the path as given when it cannot be resolved.
inline std::string ResolveUserPath(const std::string& path)
{
    MallocOwned<char> resolved(::realpath(path.c_str(), nullptr));
    return resolved != nullptr ? std::string(resolved.get()) : path;
}

}  // namespace platform
