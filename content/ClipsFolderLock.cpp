// The clips folder's lock file, ".stashwell-lock", held with flock.
#include "content/ClipsFolderLock.h"

#include "content/FlavorSet.h"

// The platform's lock file, from its public file base: the same bounded wait and the same account
// of the holder as the platform's own locks.
#include "LockFile.h"

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr char kLockFileName[] = ".stashwell-lock";
// Every name the folder's machinery uses begins so.
constexpr char kMachineryPrefix[] = ".stashwell-";
constexpr char kKeychainFileName[] = "Stashwell.keychain";

int sHoldCount = 0;
platform::LockFile sLock;
std::string sBusyHolder;  // who held the lock when the last bounded wait ran out
void (*sAfterRelease)() = nullptr;

}  // namespace

Boolean IsReservedClipsFolderName(const char* utf8Name)
{
    if (utf8Name == nullptr) {
        return false;
    }
    return std::strcmp(utf8Name, kKeychainFileName) == 0 ||
           std::strncmp(utf8Name, kMachineryPrefix, sizeof kMachineryPrefix - 1) == 0;
}

Boolean IsReservedClipsFolderName(CFStringRef name)
{
    if (name == nullptr) {
        return false;
    }
    // Compared on the name as it is: '/' is kept on disk as ':', which neither reserved name holds.
    char utf8[1024];
    if (!CFStringGetCString(name, utf8, sizeof utf8, kCFStringEncodingUTF8)) {
        return false;  // too long or not text: no reserved name is either
    }
    return IsReservedClipsFolderName(utf8);
}

std::string DiskNameOfPackage(CFStringRef name)
{
    char utf8[1024];
    if (name == nullptr || !CFStringGetCString(name, utf8, sizeof utf8, kCFStringEncodingUTF8)) {
        return {};
    }
    std::string disk(utf8);
    for (char& c : disk) {
        if (c == '/') {
            c = ':';
        }
    }
    return disk;
}

bool GetClipsFolderPath(char* path, size_t capacity, bool onlyIfPresent)
{
    FSRef folder;
    // Looking must not make the folders of a user who never stored a clip.
    const OSStatus status =
        onlyIfPresent ? FlavorSet::FindStashwellFolderRef(&folder) : FlavorSet::GetStashwellFolderRef(&folder);
    if (status != noErr) {
        return false;
    }
    return FSRefMakePath(&folder, reinterpret_cast<UInt8*>(path), static_cast<UInt32>(capacity)) == noErr;
}

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
    const int failure = wait == kTryOnly
                            ? sLock.Lock(AT_FDCWD, path, platform::LockFile::Mode::Exclusive,
                                         platform::LockFile::Wait::Try)
                            : sLock.Lock(AT_FDCWD, path, platform::LockFile::Mode::Exclusive, platform::LockWaitLimit());
    if (failure == EWOULDBLOCK) {
        if (wait == kWaitBounded) {
            sBusyHolder = platform::DescribeLockHolder(AT_FDCWD, path);
        }
        mStatus = fBsyErr;
        return;
    }
    if (failure != 0) {
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
