// The writer's side of an intent: what starts and finishes one around a change of the clips folder.
#include "content/ClipIntent.h"

#include "content/ClipIntentFile.h"
#include "content/ClipsFolder.h"
#include "content/FlavorSet.h"
#include "support/CFObj.h"

// The platform's file base, from its public include folder.
#include "AtomicFileWriter.h"
#include "ErrnoStatus.h"
#include "ScopedDir.h"
#include "ScopedFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

const char* KindWord(StClipIntent::Kind kind)
{
    switch (kind) {
    case StClipIntent::kAddClip:
        return kAddClipIntent;
    case StClipIntent::kDeleteClip:
        return kDeleteClipIntent;
    case StClipIntent::kAddSecureNote:
        return kAddSecureNoteIntent;
    }
    return "";
}

}  // namespace

// An unfinished change keeps its intent file on disk: only its lock goes, with the descriptor.
StClipIntent::~StClipIntent() = default;

std::string StClipIntent::WorkPath() const
{
    return mFolder + "/" + mName + kClipIntentWorkSuffix;
}

OSStatus StClipIntent::Begin(Kind kind)
{
    char folder[PATH_MAX];
    if (mLock.Held()) {
        return paramErr;
    }
    if (!GetClipsFolderPath(folder, sizeof folder)) {
        return fnfErr;
    }
    mFolder = folder;
    platform::ScopedFd fd;
    for (int attempt = 0; attempt < 16 && !fd.IsValid(); ++attempt) {
        mName = NewClipIntentName();
        fd = platform::ScopedFd(
            ::open((mFolder + "/" + mName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd.IsValid() && errno != EEXIST) {
            return platform::StatusForErrno(errno);
        }
    }
    if (!fd.IsValid() ||
        !mLock.Lock(std::move(fd), platform::LockFile::Mode::Exclusive, platform::LockFile::Wait::Try).Ok()) {
        return ioErr;
    }
    mKind = kind;
    if (int error = WriteClipIntent(mLock.Fd(), KindWord(kind))) {
        return platform::StatusForErrno(error);
    }
    if (kind == kAddClip) {
        const std::string work = WorkPath();
        if (::mkdir(work.c_str(), 0700) != 0) {
            return platform::StatusForErrno(errno);
        }
        mWorkMade = true;
        Boolean isFolder = false;
        return FSPathMakeRef(reinterpret_cast<const UInt8*>(work.c_str()), &mWorkRef, &isFolder);
    }
    return noErr;
}

bool StClipIntent::WriteIntent(const std::string& target)
{
    // The kind line stays; the target line is replaced.
    if (WriteClipIntent(mLock.Fd(), KindWord(mKind), &target) != 0) {
        return false;
    }
    mTarget = target;
    return true;
}

OSStatus StClipIntent::FlushWork()
{
    const std::string work = WorkPath();
    const platform::ScopedDir folder(::opendir(work.c_str()));
    if (folder.Get() == nullptr) {
        return platform::StatusForErrno(errno);
    }
    bool flushed = true;
    while (dirent* entry = ::readdir(folder.Get())) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            flushed = FlushClipsFolderItem(work + "/" + entry->d_name, entry->d_type == DT_DIR) && flushed;
        }
    }
    return flushed && FlushClipsFolderItem(work, true) ? noErr : ioErr;
}

OSStatus StClipIntent::MoveWorkTo(const UniChar* units, UniCharCount length)
{
    CFObj<CFStringRef> name(CFStringCreateWithCharacters(kCFAllocatorDefault, units, static_cast<CFIndex>(length)));
    const std::string disk = DiskNameOfPackage(name.Get());
    if (disk.empty() || disk == "." || disk == "..") {
        return bdNamErr;
    }
    if (disk.size() > NAME_MAX) {
        return errFSNameTooLong;
    }
    if (IsReservedClipsFolderName(disk.c_str())) {
        return dupFNErr;
    }
    if (!WriteIntent(disk)) {
        return ioErr;
    }
    // Every move into the folder happens under the clip-list lock, which the no-replace rename
    // needs of its callers where the file system cannot refuse a taken name itself.
    if (platform::Result<void> moved = platform::RenameNoReplace(AT_FDCWD, WorkPath(), AT_FDCWD, mFolder + "/" + disk);
        !moved.Ok()) {
        return moved.Status();
    }
    mMoved = true;
    FlushClipsFolderItem(mFolder, true);
    return noErr;
}

OSStatus StClipIntent::NameNote(CFStringRef noteName)
{
    char utf8[1024];
    if (noteName == nullptr || !CFStringGetCString(noteName, utf8, sizeof utf8, kCFStringEncodingUTF8)) {
        return paramErr;
    }
    return WriteIntent(HexOfNoteName(utf8)) ? noErr : ioErr;
}

OSStatus StClipIntent::TakePackage(CFStringRef fileName)
{
    FSRef package;
    OSStatus status = FlavorSet::GetClipPackageRef(fileName, &package);
    if (status != noErr) {
        return status;
    }
    char path[PATH_MAX];
    status = FSRefMakePath(&package, reinterpret_cast<UInt8*>(path), sizeof path);
    if (status != noErr) {
        return status;
    }
    const std::string packagePath(path);
    if (!WriteIntent(packagePath.substr(packagePath.rfind('/') + 1))) {
        return ioErr;
    }
    if (::rename(packagePath.c_str(), WorkPath().c_str()) != 0) {
        return platform::StatusForErrno(errno);
    }
    mMoved = true;
    FlushClipsFolderItem(mFolder, true);
    return noErr;
}

OSStatus StClipIntent::PutPackageBack()
{
    if (!mMoved) {
        return noErr;
    }
    const std::string target = mFolder + "/" + mTarget;
    if (platform::Result<void> moved = platform::RenameNoReplace(AT_FDCWD, WorkPath(), AT_FDCWD, target); !moved.Ok()) {
        return moved.Status();
    }
    mMoved = false;
    FlushClipsFolderItem(mFolder, true);
    return noErr;
}

OSStatus StClipIntent::RemoveWork()
{
    return RemoveClipsFolderItem(WorkPath());
}

OSStatus StClipIntent::RemoveMovedPackage()
{
    if (!mMoved || mTarget.empty()) {
        return noErr;
    }
    mMoved = false;
    return RemoveClipsFolderItem(mFolder + "/" + mTarget);
}

void StClipIntent::Finish()
{
    if (!mLock.Held()) {
        return;
    }
    ::unlink((mFolder + "/" + mName).c_str());
    mLock.Unlock();
}
