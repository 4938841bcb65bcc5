// Intent files of the clips folder and the sweeper of abandoned ones.
#include "content/ClipIntent.h"

#include "content/ClipsFolderLock.h"
#include "content/FlavorSet.h"
#include "support/CFObj.h"
#include "support/CMUtilsFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr char kIntentPrefix[] = ".stashwell-intent-";
constexpr char kWorkSuffix[] = ".work";
constexpr size_t kMaxIntentBytes = 4096;

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool EndsWith(const std::string& text, const char* suffix)
{
    const size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

OSStatus StatusOfErrno(int error)
{
    switch (error) {
    case EEXIST:
    case ENOTEMPTY:
        return dupFNErr;
    case ENOENT:
        return fnfErr;
    case ENAMETOOLONG:
        return errFSNameTooLong;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return dskFulErr;
    case EACCES:
    case EPERM:
        return permErr;
    case EROFS:
        return wPrErr;
    default:
        return ioErr;
    }
}

// Flushes one item: a file's bytes, or a folder's entries.
bool FlushItem(const std::string& path, bool folder)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (folder ? O_DIRECTORY : 0));
    if (fd < 0) {
        return false;
    }
    const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return flushed;
}

// Removes an item and everything in it, locked files included; a missing one is no failure.
OSStatus RemoveTree(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? noErr : StatusOfErrno(errno);
    }
    // Anything but a folder (a link above all: never followed) goes as itself.
    if (!S_ISDIR(info.st_mode)) {
        return ::unlink(path.c_str()) == 0 ? noErr : StatusOfErrno(errno);
    }
    FSRef ref;
    Boolean isFolder = false;
    OSStatus status = FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, &isFolder);
    if (status == noErr) {
        status = CMUtils::DeleteObject(&ref);
    }
    return status;
}

const char* KindLine(StClipIntent::Kind kind)
{
    switch (kind) {
    case StClipIntent::kAddClip:
        return "add\n";
    case StClipIntent::kDeleteClip:
        return "delete\n";
    case StClipIntent::kAddSecureNote:
        return "secure-add\n";
    }
    return "\n";
}

// A note name can hold any character, a line end too: the intent keeps it as hexadecimal digits.
std::string HexOf(const std::string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

bool BytesOfHex(const std::string& hex, std::string& bytes)
{
    auto value = [](char digit) {
        return digit >= '0' && digit <= '9' ? digit - '0' : digit >= 'a' && digit <= 'f' ? digit - 'a' + 10 : -1;
    };
    if (hex.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = value(hex[i]);
        const int low = value(hex[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

// The kind and target of an intent file's text.
void ParseIntent(const std::string& contents, std::string& kind, std::string& target)
{
    const size_t firstEnd = contents.find('\n');
    kind = contents.substr(0, firstEnd);
    target.clear();
    if (firstEnd != std::string::npos) {
        target = contents.substr(firstEnd + 1);
        target = target.substr(0, target.find('\n'));
    }
}

std::string RandomHex()
{
    std::random_device random;
    char text[17];
    std::snprintf(text, sizeof text, "%08x%08x", random(), random());
    return text;
}

}  // namespace

StClipIntent::~StClipIntent()
{
    // An unfinished change keeps its intent file on disk: only its lock goes, with the descriptor.
    if (mFd >= 0) {
        ::close(mFd);
    }
}

OSStatus StClipIntent::Begin(Kind kind)
{
    char folder[PATH_MAX];
    if (mFd >= 0 || !GetClipsFolderPath(folder, sizeof folder)) {
        return mFd >= 0 ? paramErr : fnfErr;
    }
    mFolder = folder;
    for (int attempt = 0; attempt < 16 && mFd < 0; ++attempt) {
        mName = kIntentPrefix + RandomHex();
        mFd = ::open((mFolder + "/" + mName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (mFd < 0 && errno != EEXIST) {
            return StatusOfErrno(errno);
        }
    }
    if (mFd < 0 || ::flock(mFd, LOCK_EX | LOCK_NB) != 0) {
        return ioErr;
    }
    mKind = kind;
    const char* kindLine = KindLine(kind);
    if (::write(mFd, kindLine, std::strlen(kindLine)) != static_cast<ssize_t>(std::strlen(kindLine))) {
        return StatusOfErrno(errno);
    }
    if (kind == kAddClip) {
        const std::string work = mFolder + "/" + mName + kWorkSuffix;
        if (::mkdir(work.c_str(), 0700) != 0) {
            return StatusOfErrno(errno);
        }
        mWorkMade = true;
        Boolean isFolder = false;
        return FSPathMakeRef(reinterpret_cast<const UInt8*>(work.c_str()), &mWorkRef, &isFolder);
    }
    return noErr;
}

bool StClipIntent::WriteIntent(const std::string& target)
{
    // The kind line stays; the target line is replaced. Flushed, so that a sweeper after a crash
    // knows the name before the rename can have happened.
    const char* kindLine = KindLine(mKind);
    const std::string text = std::string(kindLine) + target + "\n";
    if (::ftruncate(mFd, 0) != 0 || ::pwrite(mFd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        ::fdatasync(mFd) != 0) {
        return false;
    }
    mTarget = target;
    return true;
}

OSStatus StClipIntent::FlushWork()
{
    const std::string work = mFolder + "/" + mName + kWorkSuffix;
    DIR* folder = ::opendir(work.c_str());
    if (folder == nullptr) {
        return StatusOfErrno(errno);
    }
    bool flushed = true;
    while (dirent* entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            flushed = FlushItem(work + "/" + entry->d_name, entry->d_type == DT_DIR) && flushed;
        }
    }
    ::closedir(folder);
    return flushed && FlushItem(work, true) ? noErr : ioErr;
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
    const std::string work = mFolder + "/" + mName + kWorkSuffix;
    const std::string target = mFolder + "/" + disk;
    if (::renameat2(AT_FDCWD, work.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL) {
            return StatusOfErrno(errno);
        }
        // A file system without the no-replace rename: every move into the folder happens under
        // the clip-list lock, so a name seen free here stays free until the rename.
        if (Exists(target)) {
            return dupFNErr;
        }
        if (::rename(work.c_str(), target.c_str()) != 0) {
            return StatusOfErrno(errno);
        }
    }
    mMoved = true;
    FlushItem(mFolder, true);
    return noErr;
}

OSStatus StClipIntent::NameNote(CFStringRef noteName)
{
    char utf8[1024];
    if (noteName == nullptr || !CFStringGetCString(noteName, utf8, sizeof utf8, kCFStringEncodingUTF8)) {
        return paramErr;
    }
    return WriteIntent(HexOf(utf8)) ? noErr : ioErr;
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
    const std::string disk = packagePath.substr(packagePath.rfind('/') + 1);
    if (!WriteIntent(disk)) {
        return ioErr;
    }
    const std::string work = mFolder + "/" + mName + kWorkSuffix;
    if (::rename(packagePath.c_str(), work.c_str()) != 0) {
        return StatusOfErrno(errno);
    }
    mMoved = true;
    FlushItem(mFolder, true);
    return noErr;
}

OSStatus StClipIntent::PutPackageBack()
{
    if (!mMoved) {
        return noErr;
    }
    const std::string work = mFolder + "/" + mName + kWorkSuffix;
    if (::renameat2(AT_FDCWD, work.c_str(), AT_FDCWD, (mFolder + "/" + mTarget).c_str(), RENAME_NOREPLACE) != 0 &&
        (errno != EINVAL || ::rename(work.c_str(), (mFolder + "/" + mTarget).c_str()) != 0)) {
        return StatusOfErrno(errno);
    }
    mMoved = false;
    FlushItem(mFolder, true);
    return noErr;
}

OSStatus StClipIntent::RemoveWork()
{
    return RemoveTree(mFolder + "/" + mName + kWorkSuffix);
}

OSStatus StClipIntent::RemoveMovedPackage()
{
    if (!mMoved || mTarget.empty()) {
        return noErr;
    }
    mMoved = false;
    return RemoveTree(mFolder + "/" + mTarget);
}

void StClipIntent::Finish()
{
    if (mFd < 0) {
        return;
    }
    ::unlink((mFolder + "/" + mName).c_str());
    ::close(mFd);
    mFd = -1;
}

bool AnyClipIntentPresent()
{
    char folder[PATH_MAX];
    if (!GetClipsFolderPath(folder, sizeof folder, true)) {
        return false;
    }
    DIR* stream = ::opendir(folder);
    if (stream == nullptr) {
        return false;
    }
    bool found = false;
    while (dirent* entry = ::readdir(stream)) {
        if (std::strncmp(entry->d_name, kIntentPrefix, sizeof kIntentPrefix - 1) == 0) {
            found = true;
            break;
        }
    }
    ::closedir(stream);
    return found;
}

int SweepAbandonedIntents(const ClipIntentJudge& judge)
{
    char folderPath[PATH_MAX];
    if (!GetClipsFolderPath(folderPath, sizeof folderPath)) {
        return 0;
    }
    const std::string folder(folderPath);
    std::vector<std::string> names;
    if (DIR* stream = ::opendir(folderPath)) {
        while (dirent* entry = ::readdir(stream)) {
            if (StartsWith(entry->d_name, kIntentPrefix)) {
                names.emplace_back(entry->d_name);
            }
        }
        ::closedir(stream);
    }

    // Dead intents, each held locked while it is handled; the notes live writers are storing.
    struct Dead {
        std::string name;
        int fd;
        std::string kind, target;
    };
    std::vector<Dead> dead;
    std::vector<std::string> liveNotes;
    int handled = 0;
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        if (EndsWith(name, kWorkSuffix)) {
            // Intents are made under the lock before their work folder, and removed after it: a
            // work folder whose intent is gone was left by a writer or sweeper that died between.
            if (!Exists(path.substr(0, path.size() - std::strlen(kWorkSuffix)))) {
                RemoveTree(path);
                ++handled;
            }
            continue;
        }
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        struct stat info {};
        if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            if (fd >= 0) {
                ::close(fd);
            }
            continue;
        }
        char text[kMaxIntentBytes + 1];
        const ssize_t got = ::pread(fd, text, kMaxIntentBytes, 0);
        Dead intent{name, fd, {}, {}};
        ParseIntent(std::string(text, got > 0 ? static_cast<size_t>(got) : 0), intent.kind, intent.target);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);  // a live writer's
            std::string note;
            if (intent.kind == "secure-add" && BytesOfHex(intent.target, note)) {
                liveNotes.push_back(note);
            }
            continue;
        }
        dead.push_back(intent);
    }

    for (const Dead& intent : dead) {
        const std::string path = folder + "/" + intent.name;
        const std::string& target = intent.target;
        const bool usableTarget = !target.empty() && target.find('/') == std::string::npos && target != "." &&
                                  target != ".." && !IsReservedClipsFolderName(target.c_str());
        const std::string work = path + kWorkSuffix;
        const std::string targetPath = folder + "/" + target;
        bool done = true;
        if (intent.kind == "add") {
            // The rename happened only when the work folder is gone: then the package under the
            // target name is the dead writer's, and it stays only if its record was saved.
            if (!Exists(work) && usableTarget && Exists(targetPath) && !judge.isPackageRecorded(target)) {
                RemoveTree(targetPath);
            }
        } else if (intent.kind == "delete") {
            // A package taken for deletion whose record is still stored goes back.
            if (Exists(work) && usableTarget && !Exists(targetPath) && judge.isPackageRecorded(target)) {
                ::rename(work.c_str(), targetPath.c_str());
            }
        } else if (intent.kind == "secure-add") {
            std::string note;
            if (BytesOfHex(target, note) && !note.empty() && !judge.isNoteRecorded(note) &&
                std::find(liveNotes.begin(), liveNotes.end(), note) == liveNotes.end()) {
                try {
                    done = judge.deleteNote(note);
                } catch (...) {
                    done = false;  // tried again by a later sweep
                }
            }
        }
        if (done) {
            RemoveTree(work);
            ::unlink(path.c_str());
            ++handled;
        }
        ::close(intent.fd);
    }
    if (handled > 0) {
        FlushItem(folder, true);
    }
    return handled;
}
