#include "scrap/ClipboardFolder.h"

#include "base/AtomicFileWriter.h"
#include "base/ScopedDir.h"
#include "scrap/ScrapError.h"
#include "scrap/ScrapManifest.h"

#include <Carbon/Scrap.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

namespace platform::scrap {
namespace {

constexpr const char kLockName[] = "lock";
constexpr const char kCurrentName[] = "current";
constexpr const char kManifestName[] = "manifest";
constexpr const char kCurrentTemporaryPrefix[] = ".current-";

std::mutex gFallbackMutex;
std::string gFallbackParent = "/tmp";
std::string gSessionParent = "/run/user";

std::string FallbackParent()
{
    std::lock_guard<std::mutex> guard(gFallbackMutex);
    return gFallbackParent;
}

// The user's session folder the login manager makes (in memory, gone at logout) when
// XDG_RUNTIME_DIR was not handed down (su, cron, ssh without a session): used only when it is the
// user's own, private folder; empty otherwise.
std::string SessionFolder()
{
    std::string path;
    {
        std::lock_guard<std::mutex> guard(gFallbackMutex);
        path = gSessionParent + "/" + std::to_string(::getuid());
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
        (info.st_mode & 0777) != 0700) {
        return "";
    }
    return path;
}

std::string GenerationName(unsigned long long number)
{
    char name[24];
    std::snprintf(name, sizeof name, "g%016llx", number);
    return name;
}

// The number of a generation folder's name, "g" and exactly 16 lowercase hexadecimal digits.
std::optional<unsigned long long> GenerationNumber(const char* name)
{
    if (name[0] != 'g' || std::strlen(name) != 17) {
        return std::nullopt;
    }
    unsigned long long number = 0;
    for (const char* c = name + 1; *c != '\0'; ++c) {
        unsigned digit;
        if (*c >= '0' && *c <= '9') {
            digit = static_cast<unsigned>(*c - '0');
        } else if (*c >= 'a' && *c <= 'f') {
            digit = static_cast<unsigned>(*c - 'a' + 10);
        } else {
            return std::nullopt;
        }
        number = (number << 4) | digit;
    }
    return number;
}

// The names in a folder, "." and ".." left out; empty when it cannot be listed.
std::vector<std::string> FolderNames(int folderFd)
{
    std::vector<std::string> names;
    int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) {
        return names;
    }
    ScopedDir dir(::fdopendir(listFd));
    if (dir.Get() == nullptr) {
        ::close(listFd);
        return names;
    }
    while (dirent* entry = ::readdir(dir.Get())) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.emplace_back(entry->d_name);
        }
    }
    return names;
}

// Removes one generation folder with its files. Best effort: what cannot be removed now is tried
// again at the next clear. A name that is not a real folder is removed as a file (never followed).
void RemoveGeneration(int folderFd, const std::string& name)
{
    ScopedFd generation(::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!generation.IsValid()) {
        ::unlinkat(folderFd, name.c_str(), 0);
        return;
    }
    // The manifest goes first: a reader that finds a flavor file missing then sees the manifest gone
    // too and knows the generation is being removed, rather than taking it for a damaged one.
    if (::unlinkat(generation.Get(), kManifestName, 0) != 0 && errno != ENOENT) {
        return;
    }
    for (const std::string& file : FolderNames(generation.Get())) {
        ::unlinkat(generation.Get(), file.c_str(), 0);
    }
    ::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR);
}

// What the "current" link names.
enum class CurrentLink { Missing, Damaged, Generation };

// Reads the "current" link. Only a plain generation name in the clipboard folder is a generation; a
// link that leads anywhere else (an absolute path, "..", a '/' anywhere, any other name) is damage
// and is never followed.
CurrentLink ReadCurrentLink(int folderFd, std::string& name)
{
    char target[64];
    ssize_t length = ::readlinkat(folderFd, kCurrentName, target, sizeof target - 1);
    if (length < 0 && errno == ENOENT) {
        return CurrentLink::Missing;
    }
    if (length <= 0) {
        return CurrentLink::Damaged;
    }
    target[length] = '\0';
    if (!GenerationNumber(target)) {
        return CurrentLink::Damaged;
    }
    name = target;
    return CurrentLink::Generation;
}

OSStatus Refuse(const std::string& path, const std::string& why)
{
    return FailScrap(permErr, "the clipboard folder " + path + " is refused: " + why);
}

}  // namespace

void SetFallbackParentForTesting(const std::string& parent)
{
    std::lock_guard<std::mutex> guard(gFallbackMutex);
    gFallbackParent = parent.empty() ? "/tmp" : parent;
}

void SetSessionFoldersParentForTesting(const std::string& parent)
{
    std::lock_guard<std::mutex> guard(gFallbackMutex);
    gSessionParent = parent.empty() ? "/run/user" : parent;
}

OSStatus OpenClipboardFolder(ScopedFd& folder, const std::string& baseName, bool* onDisk)
{
    std::string parent;
    std::string name;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string session = runtime != nullptr && runtime[0] == '/' ? runtime : SessionFolder();
    if (!session.empty()) {
        parent = session;
        name = baseName;
    } else {
        parent = FallbackParent();
        name = baseName + "-" + std::to_string(::getuid());
    }
    if (onDisk != nullptr) {
        *onDisk = session.empty();
    }
    std::string path = parent + "/" + name;

    ScopedFd parentFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parentFd.IsValid()) {
        return FailScrapWithErrno("cannot open the folder of the clipboard, " + parent, errno);
    }
    bool created = ::mkdirat(parentFd.Get(), name.c_str(), 0700) == 0;
    if (!created && errno != EEXIST) {
        return FailScrapWithErrno("cannot create the clipboard folder " + path, errno);
    }
    // O_NOFOLLOW: a symbolic link put in the folder's place (in /tmp anyone can make one) is never
    // followed, and every later step works through this descriptor, not the path.
    ScopedFd opened(::openat(parentFd.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!opened.IsValid()) {
        if (errno == ELOOP || errno == ENOTDIR) {
            return Refuse(path, "it is not a folder");
        }
        return FailScrapWithErrno("cannot open the clipboard folder " + path, errno);
    }
    if (created) {
        // The umask may have taken bits away from 0700; the owner needs all three.
        ::fchmod(opened.Get(), 0700);
    }
    struct stat info {};
    if (::fstat(opened.Get(), &info) != 0) {
        return FailScrapWithErrno("cannot examine the clipboard folder " + path, errno);
    }
    if (info.st_uid != ::getuid()) {
        return Refuse(path, "it belongs to user " + std::to_string(info.st_uid) + ", not to user " +
                                std::to_string(::getuid()));
    }
    if ((info.st_mode & 0777) != 0700) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 0777));
        return Refuse(path, std::string("its mode is ") + mode + ", not 0700 (only its owner may use it)");
    }
    folder = std::move(opened);
    return noErr;
}

OSStatus ClipboardLock::Acquire(int folderFd, bool exclusive)
{
    const std::chrono::milliseconds limit = LockWaitLimit();
    const Result<void> locked =
        mLock.Lock(folderFd, kLockName, exclusive ? LockFile::Mode::Exclusive : LockFile::Mode::Shared, limit);
    if (locked.Errno() == EWOULDBLOCK) {
        // A writer stopped (or frozen) while it names a flavor or clears keeps the lock.
        return FailScrap(fBsyErr, "the clipboard is in use by " + DescribeLockHolder(folderFd, kLockName) +
                                      ", which did not let go of it within " + DescribeWaitLimit(limit));
    }
    return locked.Ok() ? noErr : FailScrapWithErrno("cannot lock the clipboard", locked.Errno());
}

OSStatus OpenCurrentGeneration(int folderFd, ScopedFd& generation)
{
    // The link is read and its target looked up in two steps: two clears in between replace the
    // generation it named and then remove it. The link names a newer one by then, so it is read
    // again; a target that stays missing is damage.
    constexpr int kTries = 8;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        std::string name;
        switch (ReadCurrentLink(folderFd, name)) {
        case CurrentLink::Missing:
            return fnfErr;  // no generation yet
        case CurrentLink::Damaged:
            return FailScrap(internalScrapErr, "the clipboard's current link is damaged: it names no generation "
                                               "of the clipboard folder");
        case CurrentLink::Generation:
            break;
        }
        generation = ScopedFd(::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (generation.IsValid()) {
            return noErr;
        }
        if (errno != ENOENT) {
            return FailScrapWithErrno("cannot open the clipboard's current generation", errno);
        }
    }
    return FailScrap(internalScrapErr, "the clipboard's current generation is missing");
}

bool IsCurrentGeneration(int folderFd, int generationFd)
{
    std::string name;
    struct stat current {};
    struct stat generation {};
    return ReadCurrentLink(folderFd, name) == CurrentLink::Generation &&
           ::fstatat(folderFd, name.c_str(), &current, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(generationFd, &generation) == 0 && current.st_dev == generation.st_dev &&
           current.st_ino == generation.st_ino;
}

OSStatus StartNewGeneration(int folderFd)
{
    // Numbers only grow: the new generation is one past every folder present, so a number is never
    // used twice even when an earlier clear died half-way.
    unsigned long long highest = 0;
    std::vector<std::pair<unsigned long long, std::string>> generations;
    std::vector<std::string> staleLinks;
    for (const std::string& name : FolderNames(folderFd)) {
        if (auto number = GenerationNumber(name.c_str())) {
            highest = std::max(highest, *number);
            generations.emplace_back(*number, name);
        } else if (name.rfind(kCurrentTemporaryPrefix, 0) == 0) {
            staleLinks.push_back(name);
        }
    }
    unsigned long long previous = highest;
    if (std::string current; ReadCurrentLink(folderFd, current) == CurrentLink::Generation) {
        previous = *GenerationNumber(current.c_str());
    }

    std::string name = GenerationName(highest + 1);
    if (::mkdirat(folderFd, name.c_str(), 0700) != 0) {
        return FailScrapWithErrno("cannot create a new clipboard generation", errno);
    }
    ScopedFd generation(::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!generation.IsValid()) {
        int error = errno;
        RemoveGeneration(folderFd, name);
        return FailScrapWithErrno("cannot open the new clipboard generation", error);
    }
    ::fchmod(generation.Get(), 0700);
    std::string manifest = WriteManifest({});
    if (Result<void> written = WriteFileAtomically(generation.Get(), kManifestName, manifest.data(), manifest.size(),
                                                   nullptr, Durability::SessionOnly);
        !written.Ok()) {
        RemoveGeneration(folderFd, name);
        return FailScrapWithErrno("cannot write the clipboard's manifest", written.Errno());
    }

    // The switch: a link under a temporary name, renamed over "current" in one step, so every
    // process sees either the old generation or the new one.
    std::random_device random;
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, "%x-%08x", static_cast<unsigned>(::getpid()), random());
    std::string linkName = std::string(kCurrentTemporaryPrefix) + suffix;
    if (::symlinkat(name.c_str(), folderFd, linkName.c_str()) != 0) {
        int error = errno;
        RemoveGeneration(folderFd, name);
        return FailScrapWithErrno("cannot make the new clipboard generation current", error);
    }
    if (::renameat(folderFd, linkName.c_str(), folderFd, kCurrentName) != 0) {
        int error = errno;
        ::unlinkat(folderFd, linkName.c_str(), 0);
        RemoveGeneration(folderFd, name);
        return FailScrapWithErrno("cannot make the new clipboard generation current", error);
    }

    // The generation just replaced is kept: a process may have taken a reference to it a moment ago
    // and not yet read it. Every other one goes: older ones, and newer ones that a clear which died
    // half-way made but never made current (nobody can have read those). A process still reading
    // an older one keeps reading, since its view holds the manifest and every flavor file open; the
    // names go, the files stay until it lets go of them. Temporary links left by a clear that died
    // are removed too: the exclusive lock says no clear is under way.
    for (const auto& [number, oldName] : generations) {
        if (number != previous) {
            RemoveGeneration(folderFd, oldName);
        }
    }
    for (const std::string& link : staleLinks) {
        ::unlinkat(folderFd, link.c_str(), 0);
    }
    return noErr;
}

bool CurrentGenerationName(int folderFd, std::string& name)
{
    return ReadCurrentLink(folderFd, name) == CurrentLink::Generation;
}

OSStatus ForgetGeneration(int folderFd, const std::string& name)
{
    if (!GenerationNumber(name.c_str())) {
        return paramErr;  // only a generation of this folder is ever removed
    }
    ClipboardLock lock;
    OSStatus status = lock.Acquire(folderFd, true);
    if (status != noErr) {
        return status;
    }
    if (std::string current; ReadCurrentLink(folderFd, current) == CurrentLink::Generation && current == name) {
        status = StartNewGeneration(folderFd);
        if (status != noErr) {
            return status;
        }
    }
    RemoveGeneration(folderFd, name);
    return noErr;
}

}  // namespace platform::scrap
