// URLs for references, and reading a whole file through its URL.
#include "cf/URLObject.h"
#include "base/ErrnoStatus.h"
#include "base/FreeDeleter.h"
#include "base/RegularFile.h"
#include "files/Items.h"

#include <Carbon/Files.h>
#include <CoreFoundation/CFURLAccess.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <limits>

using namespace platform::files;

namespace {

// The URL error for a file that could not be opened, from the status of its errno.
SInt32 URLErrorFor(int error)
{
    // A link in the file's place is not read through: an access refused to the caller, where the
    // File Manager would say only that no file is there.
    if (error == ELOOP) {
        return kCFURLResourceAccessViolationError;
    }
    switch (platform::StatusForErrno(error)) {
    case fnfErr:
    case dirNFErr:
        return kCFURLResourceNotFoundError;
    case permErr:
        return kCFURLResourceAccessViolationError;
    default:
        return kCFURLUnknownError;
    }
}

// A malloc block, owned until it is handed to a data object.
struct MallocBlock {
    platform::MallocOwned<UInt8> bytes;
    size_t capacity = 0;
};

// Reads the regular file at path to its end (it may have grown since it was measured). 0 or a
// URL error code.
SInt32 ReadURLFile(const std::string& path, MallocBlock& block, size_t& length)
{
    platform::ScopedFd fd;
    struct stat info {};
    if (platform::Result<void> opened = platform::OpenRegularFile(AT_FDCWD, path, fd, info); !opened.Ok()) {
        return opened.Errno() != 0 ? URLErrorFor(opened.Errno()) : kCFURLUnknownError;
    }
    constexpr size_t kMaxLength = static_cast<size_t>(std::numeric_limits<CFIndex>::max());
    // One byte more than the size, so that the end is seen without growing the block.
    block.capacity = static_cast<size_t>(info.st_size) + 1;
    block.bytes.reset(static_cast<UInt8*>(std::malloc(block.capacity)));
    if (block.bytes == nullptr) {
        return kCFURLUnknownError;
    }
    length = 0;
    bool stored = true;
    platform::Result<void> read = platform::ReadOpenFile(fd.Get(), path, kMaxLength, [&](std::span<const char> chunk) {
        if (chunk.size() > block.capacity - length) {
            size_t capacity = std::max(block.capacity * 2, length + chunk.size());
            auto* grown = static_cast<UInt8*>(std::realloc(block.bytes.get(), capacity));
            if (grown == nullptr) {
                stored = false;
                return false;
            }
            (void)block.bytes.release();  // realloc has taken the old block
            block.bytes.reset(grown);
            block.capacity = capacity;
        }
        std::memcpy(block.bytes.get() + length, chunk.data(), chunk.size());
        length += chunk.size();
        return true;
    });
    return !read.Ok() || !stored ? kCFURLUnknownError : 0;
}

}  // namespace

extern "C" {

CFURLRef CFURLCreateFromFSRef(CFAllocatorRef allocator, const FSRef* fsRef)
{
    Item item;
    if (ResolveRef(fsRef, item) != noErr) {
        return nullptr;
    }
    return platform::CreateURLFromPath(allocator, item.path, S_ISDIR(item.info.st_mode));
}

Boolean CFURLCreateDataAndPropertiesFromResource(CFAllocatorRef alloc, CFURLRef url, CFDataRef* resourceData,
                                                 CFDictionaryRef* properties, CFArrayRef desiredProperties,
                                                 SInt32* errorCode)
{
    if (resourceData != nullptr) {
        *resourceData = nullptr;
    }
    if (properties != nullptr) {
        *properties = nullptr;
    }
    if (errorCode != nullptr) {
        *errorCode = 0;
    }
    if (url == nullptr) {
        if (errorCode != nullptr) {
            *errorCode = kCFURLUnknownError;
        }
        return false;
    }
    // Without a place for the data there is nothing to read (no properties are supported).
    if (resourceData == nullptr) {
        return true;
    }
    MallocBlock block;
    size_t length = 0;
    SInt32 error = ReadURLFile(platform::URLPath(url), block, length);
    CFDataRef data = nullptr;
    if (error == 0) {
        data = length == 0 ? CFDataCreate(alloc, nullptr, 0)
                           : CFDataCreateWithBytesNoCopy(alloc, block.bytes.get(), static_cast<CFIndex>(length),
                                                         kCFAllocatorMalloc);
        if (data == nullptr) {
            error = kCFURLUnknownError;
        } else if (length != 0) {
            (void)block.bytes.release();  // the data object frees it now
        }
    }
    if (error != 0) {
        if (errorCode != nullptr) {
            *errorCode = error;
        }
        return false;
    }
    *resourceData = data;
    return true;
}

}  // extern "C"
