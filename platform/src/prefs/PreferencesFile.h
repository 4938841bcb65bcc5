// The stored preferences of one application id: one XML property list whose root is a dictionary,
// read and replaced under an flock on "<file>.lock" beside it, replaced by an atomic rename.
#pragma once

#include "base/AtomicFileWriter.h"
#include "plist/PlistNode.h"

#include <map>
#include <string>

namespace platform::prefs {

// Changes by key; an empty node stands for a removal.
using ValueMap = std::map<std::u16string, plist::PlistNode>;
// The stored values: the file's root dictionary as parsed (an empty node when there is none), kept
// whole so that reading and writing a large value never copies it.

// One version of the stored file. Every write renames a new file into place (a new inode), and any
// other change to a file touches its change time, so an equal identity means the same contents.
struct FileIdentity {
    bool known = false;    // false: nothing read yet, or the last read or write failed
    bool present = false;  // the file existed when last read
    unsigned long device = 0;
    unsigned long inode = 0;
    long size = 0;
    long modifiedSeconds = 0, modifiedNanoseconds = 0;
    long changedSeconds = 0, changedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// Where a write may be made to fail, so that tests reach every failure path.
using WriteStage = platform::WriteStage;

class PreferencesFile {
public:
    PreferencesFile(std::string folder, const std::string& applicationID);

    const std::string& Path() const { return mPath; }

    // Brings values up to date with the stored file. values and identity are what was last read;
    // when the file still has that identity nothing is parsed again. A missing file holds none. A
    // damaged file is renamed aside to "<file>.unreadable-<UTC time>" and the user is told where
    // it went: one that cannot be parsed, or whose root is not a dictionary, holds none; one whose
    // root dictionary holds unusable keys or values (not UTF-8, refused by the reader, a key given
    // twice with different values) keeps the rest, which is written back at once so that the file
    // put aside is never needed again. False, with the reason in error and values untouched, only
    // when the file exists but cannot be read (something else than a regular file stands in its
    // place) or put aside.
    bool Read(plist::PlistNode& values, FileIdentity& identity, std::string& error);

    // Under the lock: brings values up to date with the file, applies the changes (last writer of a
    // key wins, every other key is kept), writes a temporary file beside it (mode 0600, exclusive
    // create), flushes it, renames it over the file and flushes the folder. values then holds what
    // the file holds. False, with the reason in error, when any step fails: the file is then as it
    // was, the temporary file is gone, and identity is unknown so that the next read parses again.
    // The changes are consumed either way: a caller that wants them again after a failure decides
    // them again.
    bool Merge(ValueMap changes, plist::PlistNode& values, FileIdentity& identity, std::string& error);

    // The next write fails at this stage (once).
    static void FailNextWriteForTesting(WriteStage stage);

private:
    bool ReadLocked(plist::PlistNode& values, FileIdentity& identity, std::string& error);
    bool PutAside(std::string& aside, std::string& error);
    bool WriteAtomically(const plist::PlistNode& values, FileIdentity& identity, std::string& error);

    std::string mFolder;
    std::string mName;  // "<application id>.plist"
    std::string mPath;
};

}  // namespace platform::prefs
