// Reading, putting aside and atomically replacing one preferences file.
#include "prefs/PreferencesFile.h"

#include "plist/CFOwner.h"
#include "plist/PropertyListReader.h"
#include "prefs/PreferencesPaths.h"
#include "prefs/ScopedFd.h"
#include "text/Unicode.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

namespace platform::prefs {
namespace {

std::atomic<WriteStage> gFailingStage{WriteStage::None};

bool ShouldFail(WriteStage stage)
{
    WriteStage expected = stage;
    return gFailingStage.compare_exchange_strong(expected, WriteStage::None);
}

std::string Reason(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Holds the exclusive flock of one lock file; the kernel drops it with the descriptor, also when
// the process dies.
class FileLock {
public:
    bool Acquire(const std::string& path, std::string& error)
    {
        mFd = ScopedFd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!mFd.IsValid()) {
            error = Reason("cannot open the preferences lock file");
            return false;
        }
        while (::flock(mFd.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                error = Reason("cannot lock the preferences");
                return false;
            }
        }
        return true;
    }

private:
    ScopedFd mFd;
};

// A temporary file that is removed when it goes away, unless it was renamed into place.
class TemporaryFile {
public:
    ~TemporaryFile()
    {
        mFd.Reset();
        if (!mPath.empty() && !mRenamed) {
            ::unlink(mPath.c_str());
        }
    }

    bool Create(const std::string& prefix, std::string& error)
    {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "%x%08x", static_cast<unsigned>(::getpid()), random());
            std::string path = prefix + suffix;
            int fd = ShouldFail(WriteStage::Create)
                         ? (errno = EACCES, -1)
                         : ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd >= 0) {
                mFd = ScopedFd(fd);
                mPath = path;
                // The umask may only take bits away; the file is private whatever it says.
                ::fchmod(fd, 0600);
                return true;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        error = Reason("cannot create a temporary preferences file");
        return false;
    }

    bool WriteAll(const std::string& contents, std::string& error)
    {
        size_t done = 0;
        while (done < contents.size()) {
            ssize_t written = ShouldFail(WriteStage::Write) ? (errno = ENOSPC, -1)
                                                            : ::write(mFd.Get(), contents.data() + done,
                                                                      contents.size() - done);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                error = Reason("cannot write the preferences");
                return false;
            }
            done += static_cast<size_t>(written);
        }
        return true;
    }

    bool SyncAndClose(std::string& error)
    {
        if (ShouldFail(WriteStage::Sync)) {
            errno = EIO;
            error = Reason("cannot flush the preferences");
            return false;
        }
        if (::fsync(mFd.Get()) != 0 || !mFd.Close()) {
            error = Reason("cannot flush the preferences");
            return false;
        }
        return true;
    }

    bool RenameTo(const std::string& target, std::string& error)
    {
        if (ShouldFail(WriteStage::Rename)) {
            errno = EIO;
            error = Reason("cannot replace the preferences file");
            return false;
        }
        if (::rename(mPath.c_str(), target.c_str()) != 0) {
            error = Reason("cannot replace the preferences file");
            return false;
        }
        mRenamed = true;
        return true;
    }

private:
    ScopedFd mFd;
    std::string mPath;
    bool mRenamed = false;
};

bool SyncFolder(const std::string& folder, std::string& error)
{
    ScopedFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsValid() || (::fsync(fd.Get()) != 0 && errno != EINVAL)) {
        error = Reason("cannot flush the preferences folder");
        return false;
    }
    return true;
}

bool ReadWholeFile(int fd, std::string& contents)
{
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (contents.size() + static_cast<size_t>(got) > static_cast<size_t>(kPlatformPropertyListMaxBytes) + 1) {
            return true;  // past the cap: the parser refuses it, there is no need to read on
        }
        contents.append(buffer, static_cast<size_t>(got));
    }
}

std::string UTCStamp()
{
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return stamp;
}

// True when every key of the root dictionary is valid UTF-8, as the keys of the preferences must be.
bool KeysAreUTF8(const plist::PlistNode& root)
{
    std::u16string units;
    for (auto& [key, node] : root.View().DictionaryItems()) {
        if (!DecodeUTF8(key, units, true)) {
            return false;
        }
    }
    return true;
}

FileIdentity IdentityOf(const struct stat& info)
{
    FileIdentity identity;
    identity.known = true;
    identity.present = true;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modifiedSeconds = info.st_mtim.tv_sec;
    identity.modifiedNanoseconds = info.st_mtim.tv_nsec;
    identity.changedSeconds = info.st_ctim.tv_sec;
    identity.changedNanoseconds = info.st_ctim.tv_nsec;
    return identity;
}

FileIdentity NoFile()
{
    FileIdentity identity;
    identity.known = true;
    return identity;
}

}  // namespace

PreferencesFile::PreferencesFile(std::string folder, const std::string& applicationID)
    : mFolder(std::move(folder)), mName(applicationID + ".plist"), mPath(mFolder + "/" + mName)
{
}

void PreferencesFile::FailNextWriteForTesting(WriteStage stage)
{
    gFailingStage = stage;
}

bool PreferencesFile::Read(plist::PlistNode& values, FileIdentity& identity, std::string& error)
{
    struct stat info {};
    if (::lstat(mPath.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            values = plist::PlistNode();  // nothing stored yet: no lock file is made for a mere read
            identity = NoFile();
            return true;
        }
        error = Reason("cannot examine the preferences file");
        return false;
    }
    if (S_ISREG(info.st_mode) && identity.known && IdentityOf(info) == identity) {
        return true;  // the very file last read: a writer would have renamed a new one into place
    }
    FileLock lock;
    return lock.Acquire(mPath + ".lock", error) && ReadLocked(values, identity, error);
}

bool PreferencesFile::ReadLocked(plist::PlistNode& values, FileIdentity& identity, std::string& error)
{
    ScopedFd fd(::open(mPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.IsValid()) {
        if (errno == ENOENT) {
            values = plist::PlistNode();
            identity = NoFile();
            return true;
        }
        error = Reason("cannot open the preferences file");
        return false;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "the preferences file is not a regular file";
        return false;
    }
    FileIdentity seen = IdentityOf(info);
    if (identity.known && seen == identity) {
        return true;
    }
    std::string contents;
    if (!ReadWholeFile(fd.Get(), contents)) {
        error = Reason("cannot read the preferences file");
        return false;
    }
    fd.Reset();

    // Every value is checked as the reader would convert it, so that nothing unreadable is kept and
    // written back later.
    std::string parseError;
    plist::PlistNode root = plist::ParseXMLPropertyList(contents, parseError);
    bool readable = root && root.View().Kind() == plist::NodeKind::Dictionary;
    if (readable) {
        readable = plist::ValidateTree(root.View(), parseError) && KeysAreUTF8(root);
    }
    if (readable) {
        values = std::move(root);
        identity = seen;
        return true;
    }
    if (!PutAside(error)) {
        return false;
    }
    values = plist::PlistNode();
    identity = NoFile();
    return true;
}

bool PreferencesFile::PutAside(std::string& error)
{
    // Only a process holding the lock renames or replaces the file, so a name found free here
    // stays free until the rename.
    std::string base = mPath + ".unreadable-" + UTCStamp();
    std::string aside = base;
    struct stat info {};
    for (int n = 2; ::lstat(aside.c_str(), &info) == 0; ++n) {
        if (n > 9999) {
            error = "no free name to put the unreadable preferences file aside";
            return false;
        }
        aside = base + "-" + std::to_string(n);
    }
    if (::rename(mPath.c_str(), aside.c_str()) != 0) {
        error = Reason("cannot put the unreadable preferences file aside");
        return false;
    }
    std::string ignored;
    SyncFolder(mFolder, ignored);
    return true;
}

void PreferencesFile::RemoveStaleTemporaries()
{
    // Temporary files are only made under the lock, so any found while holding it were left by a
    // writer that died.
    std::string prefix = mName + ".tmp-";
    DIR* folder = ::opendir(mFolder.c_str());
    if (folder == nullptr) {
        return;
    }
    while (dirent* entry = ::readdir(folder)) {
        std::string_view name(entry->d_name);
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        std::string_view suffix = name.substr(prefix.size());
        if (suffix.find_first_not_of("0123456789abcdef") == std::string_view::npos) {
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
        }
    }
    ::closedir(folder);
}

bool PreferencesFile::WriteAtomically(const std::string& contents, std::string& error)
{
    TemporaryFile temporary;
    return temporary.Create(mPath + ".tmp-", error) && temporary.WriteAll(contents, error) &&
           temporary.SyncAndClose(error) && temporary.RenameTo(mPath, error) && SyncFolder(mFolder, error);
}

bool PreferencesFile::Merge(const ValueMap& changes, plist::PlistNode& values, FileIdentity& identity,
                            std::string& error)
{
    if (!CreateFolders(mFolder)) {
        error = Reason("cannot create the preferences folder");
        return false;
    }
    FileLock lock;
    if (!lock.Acquire(mPath + ".lock", error) || !ReadLocked(values, identity, error)) {
        return false;
    }
    RemoveStaleTemporaries();
    // From here values may hold changes that the file does not: unknown until the write is done.
    identity = FileIdentity();
    if (!values) {
        values = plist::PlistNode::MakeDictionary();
    }
    // The changes stay pending until the write is done, so they are copied in, not moved. Keys
    // already stored keep their place; new keys follow in the order of their UTF-16 units.
    for (const auto& [key, value] : changes) {
        if (value) {
            values.Set(EncodeUTF8(key), plist::PlistNode::CopyOf(value.View()));
        } else {
            values.Remove(EncodeUTF8(key));
        }
    }
    std::string xml = plist::FormatXML(values);
    if (xml.empty()) {
        error = "the preferences could not be formatted";
        return false;
    }
    if (!WriteAtomically(xml, error)) {
        return false;
    }
    // Still under the lock: the file in place is the one just written.
    struct stat info {};
    if (::stat(mPath.c_str(), &info) == 0) {
        identity = IdentityOf(info);
    }
    return true;
}

}  // namespace platform::prefs
