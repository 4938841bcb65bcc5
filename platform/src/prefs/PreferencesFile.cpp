// Reading, putting aside and atomically replacing one preferences file.
#include "prefs/PreferencesFile.h"

#include "base/AtomicFileWriter.h"
#include "base/ErrnoStatus.h"
#include "base/LockFile.h"
#include "base/RegularFile.h"
#include "base/TemporaryFiles.h"
#include "base/Warnings.h"
#include "plist/PropertyListReader.h"
#include "prefs/PreferencesPaths.h"
#include "prefs/PreferencesSalvage.h"
#include "text/Unicode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace platform::prefs {
namespace {

std::string Reason(const char* what, int error = errno)
{
    return ErrnoReason(what, error);
}

// Holds the exclusive lock on "<file>.lock", which every reader that parses and every writer of the
// file takes.
bool LockPreferences(LockFile& lock, const std::string& path, std::string& error)
{
    if (int failure = lock.Lock(AT_FDCWD, path + ".lock", LockFile::Mode::Exclusive); failure != 0) {
        error = Reason("cannot lock the preferences", failure);
        return false;
    }
    return true;
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
    // Each stage fails as the system most likely would fail it there.
    int error = stage == WriteStage::Create ? EACCES : stage == WriteStage::Write ? ENOSPC : EIO;
    FailNextAtomicWriteForTesting(stage, error);
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
    LockFile lock;
    return LockPreferences(lock, mPath, error) && ReadLocked(values, identity, error);
}

bool PreferencesFile::ReadLocked(plist::PlistNode& values, FileIdentity& identity, std::string& error)
{
    ScopedFd fd;
    struct stat info {};
    FileError opened = OpenRegularFile(AT_FDCWD, mPath, fd, info);
    if (opened.kind == FileError::Kind::System && opened.number == ENOENT) {
        values = plist::PlistNode();
        identity = NoFile();
        return true;
    }
    if (opened.kind == FileError::Kind::NotRegular) {
        error = "the preferences file " + mPath + " is not a regular file";
        return false;
    }
    if (opened.Failed()) {
        error = opened.reason;
        return false;
    }
    FileIdentity seen = IdentityOf(info);
    if (identity.known && seen == identity) {
        return true;
    }
    std::string contents;
    if (info.st_size > 0 && info.st_size <= kPlatformPropertyListMaxBytes) {
        contents.reserve(static_cast<size_t>(info.st_size));  // read in pieces: grown once, not at each
    }
    FileError read = ReadOpenFile(fd.Get(), mPath, static_cast<size_t>(kPlatformPropertyListMaxBytes),
                                  [&](std::span<const char> chunk) {
                                      contents.append(chunk.data(), chunk.size());
                                      return true;
                                  });
    if (read.kind == FileError::Kind::System) {
        error = read.reason;
        return false;
    }
    fd.Reset();

    // Every value is checked as the reader would convert it, so that nothing unreadable is kept and
    // written back later. A file past the size limit is as unreadable as a malformed one.
    std::string parseError;
    plist::PlistNode root = read.Failed() ? plist::PlistNode() : plist::ParseXMLPropertyList(contents, parseError);
    bool dictionary = root && root.View().Kind() == plist::NodeKind::Dictionary;
    Salvage salvage;
    if (dictionary && !SalvageDamagedKeys(contents, root, salvage)) {
        values = std::move(root);
        identity = seen;
        return true;
    }
    std::string aside;
    if (!PutAside(aside, error)) {
        return false;
    }
    std::string told = "the preferences file " + mPath + " was damaged; it was kept as " + aside;
    if (!dictionary) {
        ReportWarning(told);
        values = plist::PlistNode();
        identity = NoFile();
        return true;
    }
    auto list = [](const std::vector<std::string>& keys) {
        std::string text;
        for (const std::string& key : keys) {
            text += (text.empty() ? "\"" : ", \"") + key + "\"";
        }
        return text;
    };
    if (!salvage.repeated.empty()) {
        told += "; keys given more than once: " + list(salvage.repeated);
    }
    if (!salvage.dropped.empty()) {
        told += "; keys dropped: " + list(salvage.dropped);
    }
    ReportWarning(told + "; the other keys were kept");
    // The readable keys go back in place at once, still under the lock.
    return WriteAtomically(salvage.kept, identity, error) && (values = std::move(salvage.kept), true);
}

bool PreferencesFile::PutAside(std::string& aside, std::string& error)
{
    // Only a process holding the lock renames or replaces the file, so a name found free here
    // stays free until the rename.
    std::string base = mPath + ".unreadable-" + UTCStamp();
    aside = base;
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
    ScopedFd folder(::open(mFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsValid()) {
        ::fsync(folder.Get());
    }
    return true;
}

bool PreferencesFile::WriteAtomically(const plist::PlistNode& values, FileIdentity& identity, std::string& error)
{
    identity = FileIdentity();
    std::string xml = plist::FormatXML(values);
    if (xml.empty()) {
        error = "the preferences could not be formatted";
        return false;
    }
    // Temporary files are only made under the lock, so any found while holding it were left by a
    // writer that died.
    ScopedFd folder(::open(mFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsValid()) {
        error = Reason("cannot open the preferences folder");
        return false;
    }
    RemoveAbandonedTemporaries(folder.Get(), mName);
    AtomicFileWriter writer(folder.Get(), mName);
    int failure = writer.Prepare(xml.data(), xml.size());
    if (failure == 0) {
        failure = writer.Commit();
    }
    if (failure != 0) {
        static constexpr const char* kWhat[] = {"cannot write the preferences", "cannot create a temporary preferences file",
                                                "cannot write the preferences", "cannot flush the preferences",
                                                "cannot replace the preferences file"};
        error = Reason(kWhat[static_cast<int>(writer.FailedStage())], failure);
        return false;
    }
    // Still under the lock: the file in place is the one just written (the rename changed its
    // change time, so it is looked at again).
    struct stat info {};
    if (::fstatat(folder.Get(), mName.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        identity = IdentityOf(info);
    }
    return true;
}

bool PreferencesFile::Merge(ValueMap changes, plist::PlistNode& values, FileIdentity& identity, std::string& error)
{
    if (!CreateFolders(mFolder)) {
        error = Reason("cannot create the preferences folder");
        return false;
    }
    LockFile lock;
    if (!LockPreferences(lock, mPath, error) || !ReadLocked(values, identity, error)) {
        return false;
    }
    // From here values may hold changes that the file does not: unknown until the write is done.
    identity = FileIdentity();
    if (!values) {
        values = plist::PlistNode::MakeDictionary();
    }
    // The changes are this call's own, so their trees move into values: a large value is never
    // copied. Keys already stored keep their place; new keys follow in the order of their UTF-16
    // units.
    for (auto& [key, value] : changes) {
        if (value) {
            values.Set(EncodeUTF8(key), std::move(value));
        } else {
            values.Remove(EncodeUTF8(key));
        }
    }
    return WriteAtomically(values, identity, error);
}

}  // namespace platform::prefs
