// The clips folder, "Stashwell" in the user's application-support folder: where it is, the names in
// it that belong to its own machinery, how a package's name is kept on its disk, and how an item of
// it is removed whole or flushed. The lock, the packages and the intents all stand on it.
#pragma once

#include <Carbon/Carbon.h>

#include <string>

// The clips folder when it exists; nothing is created (fnfErr otherwise).
OSStatus FindClipsFolderRef(FSRef* folderRef);
// The clips folder, created (with the support folder above it) when it is missing.
OSStatus GetClipsFolderRef(FSRef* folderRef);

// The POSIX path of the clips folder, created when missing unless onlyIfPresent; false when it
// cannot be had (or is not there).
bool GetClipsFolderPath(char* path, size_t capacity, bool onlyIfPresent = false);

// The names in the clips folder that are the folder's own machinery, never a clip package: the
// clip keychain, the lock file and the intents of writers. A record naming one is refused, and a
// new package never takes one.
Boolean IsReservedClipsFolderName(CFStringRef name);
Boolean IsReservedClipsFolderName(const char* utf8Name);

// A package name as the disk holds it: UTF-8, with the File Manager's ':' for each '/'. Empty when
// the name is NULL or no well-formed text.
std::string DiskNameOfPackage(CFStringRef name);

// Removes the item at path and everything in it, locked files included. A link goes as itself,
// never followed; a missing item is no failure.
OSStatus RemoveClipsFolderItem(const std::string& path);

// Flushes an item to the disk: a file's bytes, or a folder's entries. false when that failed.
bool FlushClipsFolderItem(const std::string& path, bool folder);
