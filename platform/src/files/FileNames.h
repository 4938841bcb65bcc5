// Item names: a UTF-16 name of the File Manager is one path component on disk, never a path. A '/'
// in a name is kept on disk as ':' and a ':' on disk reads back as '/', as on the original
// platform, whose catalog cannot hold ':' (the classic path separator).
#pragma once

#include <Carbon/Files.h>

#include <string>
#include <string_view>

namespace platform::files {

// The on-disk name (UTF-8) for a UTF-16 name. bdNamErr for "", ".", "..", a NUL unit, a ':' unit
// or an unpaired surrogate; errFSNameTooLong over 255 units; paramErr for units missing.
OSErr DiskNameFromUnicode(UniCharCount length, const UniChar* units, std::string& diskName);

// The UTF-16 name shown for an on-disk name: ':' reads back as '/'; bytes that are not UTF-8
// become U+FFFD; cut to 255 units.
void UnicodeFromDiskName(std::string_view diskName, HFSUniStr255& name);

// Path helpers for the absolute, normalised paths the reference table keeps.
std::string JoinPath(const std::string& folder, std::string_view name);
// The last component ("" for "/") and the folder above ("/" for a top-level item and for "/").
std::string_view LastComponent(std::string_view path);
std::string ParentPath(std::string_view path);

}  // namespace platform::files
