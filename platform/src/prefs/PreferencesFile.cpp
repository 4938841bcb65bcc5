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

// Splits a parsed root dictionary into one independent tree per key.
bool SplitRoot(const plist::PlistNode& root, ValueMap& values)
{
    values.clear();
    for (auto& [key, node] : root.View().DictionaryItems()) {
        std::u16string units;
        if (!DecodeUTF8(key, units, true)) {
            return false;
        }
        values[units] = plist::PlistNode::CopyOf(node);
    }
    return true;
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

bool PreferencesFile::Read(ValueMap& values, std::string& error)
{
    values.clear();
    struct stat info {};
    if (::lstat(mPath.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return true;  // nothing stored yet: no lock file is made for a mere read
        }
        error = Reason("cannot examine the preferences file");
        return false;
    }
    FileLock lock;
    return lock.Acquire(mPath + ".lock", error) && ReadLocked(values, error);
}

bool PreferencesFile::ReadLocked(ValueMap& values, std::string& error)
{
    values.clear();
    ScopedFd fd(::open(mPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.IsValid()) {
        if (errno == ENOENT) {
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
        auto checked = plist::CFOwner<CFTypeRef>::Adopt(
            plist::ConvertTree(nullptr, root.View(), kCFPropertyListImmutable, parseError));
        readable = checked && SplitRoot(root, values);
    }
    if (readable) {
        return true;
    }
    values.clear();
    return PutAside(error);
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

bool PreferencesFile::Merge(const ValueMap& changes, ValueMap& merged, std::string& error)
{
    if (!CreateFolders(mFolder)) {
        error = Reason("cannot create the preferences folder");
        return false;
    }
    FileLock lock;
    ValueMap current;
    if (!lock.Acquire(mPath + ".lock", error) || !ReadLocked(current, error)) {
        return false;
    }
    RemoveStaleTemporaries();
    for (const auto& [key, value] : changes) {
        if (value) {
            current[key] = plist::PlistNode::CopyOf(value.View());
        } else {
            current.erase(key);
        }
    }
    // The map is ordered by UTF-16 units, so the keys are written sorted.
    plist::PlistNode root = plist::PlistNode::MakeDictionary();
    for (const auto& [key, value] : current) {
        root.Set(EncodeUTF8(key), plist::PlistNode::CopyOf(value.View()));
    }
    std::string xml = plist::FormatXML(root);
    if (xml.empty()) {
        error = "the preferences could not be formatted";
        return false;
    }
    if (!WriteAtomically(xml, error)) {
        return false;
    }
    merged = std::move(current);
    return true;
}

}  // namespace platform::prefs
