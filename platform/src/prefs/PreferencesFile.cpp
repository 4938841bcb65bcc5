// Reading, putting aside and atomically replacing one preferences file.
#include "prefs/PreferencesFile.h"

#include "base/AtomicFileWriter.h"
#include "base/ErrnoStatus.h"
#include "base/LockFile.h"
#include "base/PathParts.h"
#include "base/RegularFile.h"
#include "base/TemporaryFiles.h"
#include "base/TimeStamp.h"
#include "base/Warnings.h"
#include "plist/PropertyListReader.h"
#include "prefs/PreferencesPaths.h"
#include "prefs/PreferencesSalvage.h"
#include "prefs/PreferencesStore.h"
#include "text/Unicode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

namespace platform::prefs {
namespace {

using namespace std::chrono_literals;

// A damaged file is repaired by whichever reader finds it, under the writers' lock; a menu waits
// for that lock this long at most, and uses what it could read when the wait runs out.
constexpr std::chrono::milliseconds kRepairWait = 2s;

Failure Reason(const std::string& what, int error = errno)
{
    return ErrnoFailure(what, error);
}

// What stands where a file was expected, in the words the user is told.
const char* KindOf(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return "not a regular file";
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

void FlushFolder(const std::string& folder)
{
    ScopedFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.IsValid()) {
        ::fsync(fd.Get());
    }
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

Result<void> PreferencesFile::Locate(Target& target) const
{
    target = Target();
    target.path = mPath;
    target.label = mPath;
    if (::lstat(mPath.c_str(), &target.info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            target.folder = mFolder;
            target.name = mName;
            return {};  // nothing stored yet
        }
        return Reason("cannot examine the preferences file " + mPath);
    }
    if (S_ISLNK(target.info.st_mode)) {
        // The user's own link: its end is what is read and replaced. A link whose end does not
        // exist yet names the file a write makes, in a folder that must exist.
        target.path = ResolveUserPath(mPath);
        if (target.path == mPath) {
            char link[PATH_MAX];
            ssize_t length = ::readlink(mPath.c_str(), link, sizeof link - 1);
            if (length <= 0) {
                return Reason("cannot read the link " + mPath);
            }
            std::string end(link, static_cast<size_t>(length));
            end = end[0] == '/' ? end : mFolder + "/" + end;
            target.path = ResolveUserPath(FolderOf(end)) + "/" + NameOf(end);
        }
        target.label = mPath + " (a link to " + target.path + ")";
        if (::lstat(target.path.c_str(), &target.info) != 0) {
            if (errno != ENOENT) {
                return Reason("cannot examine the preferences file " + target.label);
            }
        } else if (S_ISLNK(target.info.st_mode)) {
            return Failure{fnfErr, 0, "the preferences file " + target.label + " leads to a link that leads nowhere"};
        } else {
            target.present = true;
        }
    } else {
        target.present = true;
    }
    target.folder = FolderOf(target.path);
    target.name = NameOf(target.path);
    if (target.present && !S_ISREG(target.info.st_mode)) {
        return Failure{notAFileErr, 0,
                       "the preferences file " + target.label + " is " + KindOf(target.info.st_mode) +
                           ", not a regular file; move it away to use the preferences again"};
    }
    return {};
}

Result<void> PreferencesFile::Look(const Target& target, const FileIdentity& known, Contents& contents) const
{
    contents = Contents();
    if (!target.present) {
        contents.identity = NoFile();
        return {};
    }
    if (known.known && IdentityOf(target.info) == known) {
        contents.state = Contents::State::Unchanged;  // a writer would have renamed a new one into place
        return {};
    }
    ScopedFd fd;
    struct stat info {};
    Result<void> opened = OpenRegularFile(AT_FDCWD, target.path, fd, info);
    if (opened.Errno() == ENOENT) {
        contents.identity = NoFile();  // put aside since it was looked up
        return {};
    }
    if (opened.Status() == notAFileErr) {
        return Failure{notAFileErr, 0, "the preferences file " + target.label + " is not a regular file"};
    }
    if (!opened.Ok()) {
        return opened.Error();
    }
    contents.identity = IdentityOf(info);
    if (known.known && contents.identity == known) {
        contents.state = Contents::State::Unchanged;
        return {};
    }
    std::string text;
    if (info.st_size > 0 && info.st_size <= kPlatformPropertyListMaxBytes) {
        text.reserve(static_cast<size_t>(info.st_size));  // read in pieces: grown once, not at each
    }
    Result<void> read = ReadOpenFile(fd.Get(), target.path, static_cast<size_t>(kPlatformPropertyListMaxBytes),
                                     [&](std::span<const char> chunk) {
                                         text.append(chunk.data(), chunk.size());
                                         return true;
                                     });
    if (read.Errno() != 0) {
        return read.Error();
    }
    // Every value is checked as the reader would convert it, so that nothing unreadable is kept and
    // written back later. A file past the size limit is as unreadable as a malformed one.
    plist::PlistNode root;
    if (read.Ok()) {
        if (Result<plist::PlistNode> parsed = plist::ParseXMLPropertyList(text); parsed.Ok()) {
            root = std::move(parsed.Value());
        }
    }
    contents.dictionary = root && root.View().Kind() == plist::NodeKind::Dictionary;
    if (contents.dictionary && !SalvageDamagedKeys(text, root, contents.salvage)) {
        contents.state = Contents::State::Usable;
        contents.values = std::move(root);
        return {};
    }
    contents.state = Contents::State::Damaged;
    return {};
}

Result<void> PreferencesFile::LockForWriting(LockFile& lock, std::chrono::milliseconds limit) const
{
    const std::string lockPath = mPath + ".lock";
    Result<void> locked = lock.Lock(AT_FDCWD, lockPath, LockFile::Mode::Exclusive, limit);
    if (locked.Errno() == EWOULDBLOCK) {
        return Failure{locked.Status(), EWOULDBLOCK,
                       "the preferences lock " + lockPath + " is held by " + DescribeLockHolder(AT_FDCWD, lockPath) +
                           ", which did not let go of it within " + DescribeWaitLimit(limit)};
    }
    if (!locked.Ok()) {
        return Reason("cannot lock the preferences (" + lockPath + ")", locked.Errno());
    }
    return {};
}

Result<void> PreferencesFile::Read(plist::PlistNode& values, FileIdentity& identity)
{
    Target target;
    Contents contents;
    if (Result<void> located = Locate(target); !located.Ok()) {
        return located;
    }
    if (Result<void> looked = Look(target, identity, contents); !looked.Ok()) {
        return looked;
    }
    if (contents.state != Contents::State::Damaged) {
        if (contents.state != Contents::State::Unchanged) {
            values = std::move(contents.values);
            identity = contents.identity;
        }
        return {};
    }
    // Only the repair needs the lock. It is looked at again under the lock: another reader may
    // have repaired it meanwhile.
    LockFile lock;
    Result<void> repaired = LockForWriting(lock, std::min(kRepairWait, LockWaitLimit()));
    if (repaired.Ok()) {
        Target again;
        Contents fresh;
        repaired = Locate(again);
        if (repaired.Ok()) {
            repaired = Look(again, FileIdentity(), fresh);
        }
        if (repaired.Ok()) {
            if (fresh.state != Contents::State::Damaged) {
                values = std::move(fresh.values);
                identity = fresh.identity;
                return {};
            }
            repaired = Repair(again, fresh, values, identity);
            if (repaired.Ok()) {
                return {};
            }
            contents = std::move(fresh);
        }
    }
    // The file stays as it is, for a later menu to repair; this one uses what it could read.
    TellOnce("the preferences file " + target.label + " is damaged and was left as it is for now (" + repaired.Reason() +
                  "); " + (contents.dictionary ? "its readable keys are used" : "none of its values is used"));
    values = contents.dictionary ? std::move(contents.salvage.kept) : plist::PlistNode();
    identity = FileIdentity();
    return {};
}

Result<void> PreferencesFile::Repair(const Target& target, Contents& contents, plist::PlistNode& values, FileIdentity& identity)
{
    std::string aside;
    bool kept = false;
    if (!contents.dictionary) {
        if (Result<void> putAside = PutAside(target, false, aside, kept); !putAside.Ok()) {
            return putAside;
        }
        ReportWarning("the preferences file " + target.label + " was damaged; it was kept as " + aside);
        values = plist::PlistNode();
        identity = NoFile();
        return {};
    }
    // The damaged file keeps a second name while the readable keys replace it, so that a reader
    // never finds the file missing in between.
    if (Result<void> putAside = PutAside(target, true, aside, kept); !putAside.Ok()) {
        return putAside;
    }
    if (Result<void> written = WriteAtomically(target, contents.salvage.kept, identity); !written.Ok()) {
        // The file goes back as it was, for a later repair: nothing is put aside twice.
        if (kept) {
            ::unlink(aside.c_str());
        } else {
            ::rename(aside.c_str(), target.path.c_str());
        }
        return written;
    }
    auto list = [](const std::vector<std::string>& keys) {
        std::string text;
        for (const std::string& key : keys) {
            text += (text.empty() ? "\"" : ", \"") + key + "\"";
        }
        return text;
    };
    std::string told = "the preferences file " + target.label + " was damaged; it was kept as " + aside;
    if (!contents.salvage.repeated.empty()) {
        told += "; keys given more than once: " + list(contents.salvage.repeated);
    }
    if (!contents.salvage.dropped.empty()) {
        told += "; keys dropped: " + list(contents.salvage.dropped);
    }
    ReportWarning(told + "; the other keys were kept");
    values = std::move(contents.salvage.kept);
    return {};
}

Result<void> PreferencesFile::PutAside(const Target& target, bool keepInPlace, std::string& aside, bool& kept)
{
    // Only a process holding the lock puts the file aside or replaces it, so a name found free
    // here stays free until it is taken.
    std::string base = target.path + ".unreadable-" + UTCStamp();
    aside = base;
    struct stat info {};
    for (int n = 2; ::lstat(aside.c_str(), &info) == 0; ++n) {
        if (n > 9999) {
            return Failure{dupFNErr, 0, "no free name to put the unreadable preferences file aside"};
        }
        aside = base + "-" + std::to_string(n);
    }
    kept = false;
    if (keepInPlace) {
        if (::link(target.path.c_str(), aside.c_str()) == 0) {
            kept = true;
        } else if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) {
            return Reason("cannot put the unreadable preferences file aside");
        }
        // A file system that gives no file a second name gets the file renamed instead.
    }
    if (!kept && ::rename(target.path.c_str(), aside.c_str()) != 0) {
        return Reason("cannot put the unreadable preferences file aside");
    }
    FlushFolder(target.folder);
    return {};
}

Result<void> PreferencesFile::WriteAtomically(const Target& target, const plist::PlistNode& values, FileIdentity& identity)
{
    identity = FileIdentity();
    std::string xml = plist::FormatXML(values);
    if (xml.empty()) {
        return Failure{ioErr, 0, "the preferences could not be formatted"};
    }
    // Temporary files are only made under the lock, so any found while holding it were left by a
    // writer that died. A linked file is replaced at the link's end, and the link stays.
    ScopedFd folder(::open(target.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsValid()) {
        return Reason("cannot open the preferences folder " + target.folder);
    }
    RemoveAbandonedTemporaries(folder.Get(), target.name);
    AtomicFileWriter writer(folder.Get(), target.name);
    Result<void> written = writer.Prepare(xml.data(), xml.size());
    if (written.Ok()) {
        written = writer.Commit();
    }
    if (!written.Ok()) {
        static constexpr const char* kWhat[] = {"cannot write the preferences", "cannot create a temporary preferences file",
                                                "cannot write the preferences", "cannot flush the preferences",
                                                "cannot replace the preferences file"};
        return Reason(std::string(kWhat[static_cast<int>(writer.FailedStage())]) + " in " + target.folder,
                      written.Errno());
    }
    // Still under the lock: the file in place is the one just written (the rename changed its
    // change time, so it is looked at again).
    struct stat info {};
    if (::fstatat(folder.Get(), target.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        identity = IdentityOf(info);
    }
    return {};
}

Result<void> PreferencesFile::Merge(ValueMap changes, plist::PlistNode& values, FileIdentity& identity)
{
    if (!CreateFolders(mFolder)) {
        return Reason("cannot create the preferences folder " + mFolder);
    }
    LockFile lock;
    Target target;
    Contents contents;
    if (Result<void> locked = LockForWriting(lock, LockWaitLimit()); !locked.Ok()) {
        return locked;
    }
    if (Result<void> located = Locate(target); !located.Ok()) {
        return located;
    }
    if (Result<void> looked = Look(target, identity, contents); !looked.Ok()) {
        return looked;
    }
    if (contents.state == Contents::State::Damaged) {
        if (Result<void> repaired = Repair(target, contents, values, identity); !repaired.Ok()) {
            return repaired;
        }
    } else if (contents.state != Contents::State::Unchanged) {
        values = std::move(contents.values);
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
    return WriteAtomically(target, values, identity);
}

}  // namespace platform::prefs
