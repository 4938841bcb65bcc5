// The user's clipboard folder and its generations.
//
//   <folder>/lock                 flock'ed around every change; readers take no lock
//   <folder>/current -> g<n>      symbolic link to the current generation, replaced by rename
//   <folder>/g<16 hex digits>/    one generation: "manifest" and one file per flavor
//
// The folder is $XDG_RUNTIME_DIR/clipboard, or /run/user/<uid>/clipboard, or /tmp/clipboard-<uid>
// when neither is there. Either must be a real folder (not a link) that the user owns with mode 0700;
// anything else is refused, since another user could then read or change the clipboard.
#pragma once

#include "base/LockFile.h"
#include "base/ScopedFd.h"

#include <MacTypes.h>

#include <string>

namespace platform::scrap {


// Opens the clipboard folder, creating it (mode 0700) when it is missing. On failure, answers the
// status with the reason recorded. Another base name gives another clipboard of the same layout
// beside it (the desktop's own flavors live in one). *onDisk (when given) tells whether it is the
// fallback in /tmp, which may be on a disk and outlives the session.
OSStatus OpenClipboardFolder(ScopedFd& folder, const std::string& baseName = "clipboard", bool* onDisk = nullptr);

// Where the folder is looked for when XDG_RUNTIME_DIR is unusable: the user's session folder
// "/run/user/<uid>" when it is the user's private folder, else "/tmp". Tests point either parent at
// a folder of their own ("" restores the default).
void SetFallbackParentForTesting(const std::string& parent);
void SetSessionFoldersParentForTesting(const std::string& parent);

// The exclusive or shared flock of the folder's lock file, dropped with the object (and by the
// kernel if the process dies). Acquire waits LockWaitLimit() at most for another holder: then
// fBsyErr, with a reason that names the holder.
class ClipboardLock {
public:
    OSStatus Acquire(int folderFd, bool exclusive);
    void Release() { mLock.Unlock(); }

private:
    LockFile mLock;
};

// Opens the current generation's folder. fnfErr, with no reason recorded, when the clipboard has
// no generation yet. A "current" link that names anything but a generation in the folder is damage
// and is never followed: internalScrapErr with the reason, until a clear replaces the link.
OSStatus OpenCurrentGeneration(int folderFd, ScopedFd& generation);

// Whether the generation folder (opened from this clipboard folder) is the current one.
bool IsCurrentGeneration(int folderFd, int generationFd);

// Under the exclusive lock: makes a new, empty generation current for every process, then removes
// the generations older than the one it replaced (see the .cpp for why that one is kept).
OSStatus StartNewGeneration(int folderFd);

// The name of the current generation ("g" and its number); false when there is none.
bool CurrentGenerationName(int folderFd, std::string& name);

// Takes the lock, clears the clipboard when the generation of that name is still current (a
// generation another process has replaced is not cleared over its successor), and removes that
// generation with its files.
OSStatus ForgetGeneration(int folderFd, const std::string& name);

}  // namespace platform::scrap
