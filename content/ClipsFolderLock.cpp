// The clips folder's lock file, ".stashwell-lock", held with flock.
#include "content/ClipsFolderLock.h"

#include "content/ClipsFolder.h"

// The platform's lock file, from its public file base: the same bounded wait and the same account
// of the holder as the platform's own locks.
#include "LockFile.h"

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <string>

namespace {

constexpr char kLockFileName[] = ".stashwell-lock";

int sHoldCount = 0;
platform::LockFile sLock;
std::string sBusyHolder;  // who held the lock when the last bounded wait ran out
void (*sAfterRelease)() = nullptr;

}  // namespace

StClipListLock::StClipListLock(EWait wait) : mStatus(noErr)
{
    if (sHoldCount > 0) {
        ++sHoldCount;
        mCounted = true;
        return;
    }
    char folder[PATH_MAX];
    if (!GetClipsFolderPath(folder, sizeof folder)) {
        mStatus = fnfErr;
        return;
    }
    const std::string path = std::string(folder) + "/" + kLockFileName;
    if (wait == kWaitBounded) {
        sBusyHolder.clear();
    }
    const platform::Result<void> locked =
        wait == kTryOnly
            ? sLock.Lock(AT_FDCWD, path, platform::LockFile::Mode::Exclusive, platform::LockFile::Wait::Try)
            : sLock.Lock(AT_FDCWD, path, platform::LockFile::Mode::Exclusive, platform::LockWaitLimit());
    const int failure = locked.Errno();
    if (failure == EWOULDBLOCK) {
        if (wait == kWaitBounded) {
            sBusyHolder = platform::DescribeLockHolder(AT_FDCWD, path);
        }
        mStatus = fBsyErr;
        return;
    }
    if (!locked.Ok()) {
        mStatus = failure == EACCES || failure == EPERM ? permErr : ioErr;
        return;
    }
    sHoldCount = 1;
    mCounted = true;
}

void StClipListLock::Unlock()
{
    if (!mCounted) {
        return;
    }
    mCounted = false;
    if (--sHoldCount == 0) {
        sLock.Unlock();
        if (void (*callback)() = sAfterRelease) {
            sAfterRelease = nullptr;
            callback();
        }
    }
}

void StClipListLock::CallOnceReleased(void (*callback)())
{
    if (sHoldCount == 0) {
        callback();
        return;
    }
    sAfterRelease = callback;
}

bool StClipListLock::IsHeld()
{
    return sHoldCount > 0;
}

CFStringRef StClipListLock::CopyBusyHolderDescription()
{
    if (sBusyHolder.empty()) {
        return nullptr;
    }
    return CFStringCreateWithCString(kCFAllocatorDefault, sBusyHolder.c_str(), kCFStringEncodingUTF8);
}
