// URLs for references, and reading a whole file through its URL.
#include "cf/URLObject.h"
#include "files/Items.h"

#include <Carbon/Files.h>
#include <CoreFoundation/CFURLAccess.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <limits>

using namespace platform::files;

namespace {

SInt32 URLErrorFor(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return kCFURLResourceNotFoundError;
    case EACCES:
    case EPERM:
    case ELOOP:  // a link in the file's place is not read through
        return kCFURLResourceAccessViolationError;
    default:
        return kCFURLUnknownError;
    }
}

// Owner of a malloc block until it is handed to a data object.
struct MallocBlock {
    ~MallocBlock() { std::free(bytes); }
    UInt8* bytes = nullptr;
    size_t capacity = 0;
};

// Reads the regular file at path to its end (it may have grown since it was measured). 0 or a
// URL error code.
SInt32 ReadRegularFile(const std::string& path, MallocBlock& block, size_t& length)
{
    // O_NONBLOCK: a FIFO in the file's place does not block the open; it is refused below.
    ScopedFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsValid()) {
        return URLErrorFor(errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return kCFURLUnknownError;
    }
    constexpr size_t kMaxLength = static_cast<size_t>(std::numeric_limits<CFIndex>::max());
    // One byte more than the size, so that the end is seen without growing the block.
    block.capacity = static_cast<size_t>(info.st_size) + 1;
    block.bytes = static_cast<UInt8*>(std::malloc(block.capacity));
    if (block.bytes == nullptr) {
        return kCFURLUnknownError;
    }
    length = 0;
    for (;;) {
        if (length == block.capacity) {
            if (block.capacity > kMaxLength / 2) {
                return kCFURLUnknownError;
            }
            auto* grown = static_cast<UInt8*>(std::realloc(block.bytes, block.capacity * 2));
            if (grown == nullptr) {
                return kCFURLUnknownError;
            }
            block.bytes = grown;
            block.capacity *= 2;
        }
        ssize_t got = ::read(fd.Get(), block.bytes + length, block.capacity - length);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return kCFURLUnknownError;
        }
        if (got == 0) {
            return 0;
        }
        length += static_cast<size_t>(got);
    }
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
    SInt32 error = ReadRegularFile(platform::URLPath(url), block, length);
    CFDataRef data = nullptr;
    if (error == 0) {
        data = length == 0 ? CFDataCreate(alloc, nullptr, 0)
                           : CFDataCreateWithBytesNoCopy(alloc, block.bytes, static_cast<CFIndex>(length),
                                                         kCFAllocatorMalloc);
        if (data == nullptr) {
            error = kCFURLUnknownError;
        } else if (length != 0) {
            block.bytes = nullptr;  // the data object frees it now
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
