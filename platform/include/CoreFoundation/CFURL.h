// File-system URLs in POSIX path style.
#pragma once

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct OpaqueCFURL* CFURLRef;

typedef enum {
    kCFURLPOSIXPathStyle = 0
} CFURLPathStyle;

CFTypeID CFURLGetTypeID(void);
// A URL for a path (+1). A relative path is taken from the current directory. isDirectory marks a
// folder; the URL's path then ends in '/'. Equal URLs have the same normalised path and the same
// directory flag. "/" is always a folder. An empty path, or one holding a NUL byte, gives NULL.
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath, CFURLPathStyle pathStyle,
                                       Boolean isDirectory);
CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer, CFIndex bufLen,
                                                 Boolean isDirectory);
// The path without a trailing '/' (except for "/") (+1).
CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle);
// The path as a NUL-terminated byte string; false when the buffer is too small.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer, CFIndex maxBufLen);
// The URL's text, "file://" followed by the path (borrowed).
CFStringRef CFURLGetString(CFURLRef anURL);
Boolean CFURLHasDirectoryPath(CFURLRef anURL);
// The last component ("" for "/") (+1).
CFStringRef CFURLCopyLastPathComponent(CFURLRef url);
// The URL without its last component, as a folder; "/" stays "/" with "../" added as the original
// platform does (+1).
CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef allocator, CFURLRef url);
CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url, CFStringRef pathComponent,
                                               Boolean isDirectory);

#ifdef __cplusplus
}
#endif
