// The stored preferences of one application id: one XML property list whose root is a dictionary.
// Writers replace it by an atomic rename under an flock on "<file>.lock" beside it, so a reader
// reads it as it is without any lock: a writer stalled while holding the lock (stopped, on a slow
// disk) never keeps a menu waiting. A link the user put in the file's place (as dotfile managers
// do) is followed, and written through: the new version replaces the file at the link's end.
#pragma once

#include "base/AtomicFileWriter.h"
#include "base/LockFile.h"
#include "base/Result.h"
#include "plist/PlistNode.h"
#include "prefs/PreferencesSalvage.h"

#include <sys/stat.h>

#include <chrono>
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

    // Brings values up to date with the stored file, without the writers' lock. values and
    // identity are what was last read; when the file still has that identity nothing is parsed
    // again. A missing file holds none. A damaged file is repaired under the lock (waited for a
    // short time only): it is put aside as "<file>.unreadable-<UTC time>" and the user is told
    // where it went; one that cannot be parsed, or whose root is not a dictionary, holds none; one
    // whose root dictionary holds unusable keys or values (not UTF-8, refused by the reader, a key
    // given twice with different values) keeps the rest, which replaces the file at once so that
    // the copy put aside is never needed again. When the repair cannot be made (the lock stays
    // held, the folder is read-only) the file is left alone, what could be read is used for this
    // call and the user is told why. A failure, values untouched, only
    // when the file exists but cannot be read (something else than a regular file stands in its
    // place).
    Result<void> Read(plist::PlistNode& values, FileIdentity& identity);

    // Under the lock, waited for LockWaitLimit() at most: brings values up to date with the file,
    // applies the changes (last writer of a key wins, every other key is kept), writes a temporary
    // file beside it (mode 0600, exclusive create), flushes it, renames it over the file and
    // flushes the folder. values then holds what the file holds. A failure (its reason naming
    // the lock's holder when the wait ran out) when any step fails: the file is then as
    // it was, the temporary file is gone, and identity is unknown so that the next read parses
    // again. The changes are consumed either way: a caller that wants them again after a failure
    // decides them again.
    Result<void> Merge(ValueMap changes, plist::PlistNode& values, FileIdentity& identity);

    // The next write fails at this stage (once).
    static void FailNextWriteForTesting(WriteStage stage);

private:
    // Where the stored file is: the file itself, or the end of the link standing in its place.
    struct Target {
        std::string path;
        std::string folder;
        std::string name;
        std::string label;  // the file as the user is told of it
        bool present = false;
        struct stat info {};
    };
    // One look at the stored file.
    struct Contents {
        enum class State { Missing, Unchanged, Usable, Damaged };
        State state = State::Missing;
        plist::PlistNode values;  // Usable: the root dictionary
        FileIdentity identity;
        bool dictionary = false;  // Damaged: whether the root was a dictionary all the same
        Salvage salvage;          // Damaged with a dictionary: what can be kept
    };

    Result<void> Locate(Target& target) const;
    Result<void> Look(const Target& target, const FileIdentity& known, Contents& contents) const;
    Result<void> LockForWriting(LockFile& lock, std::chrono::milliseconds limit) const;
    // Under the lock: puts the damaged file aside and writes back what can be kept.
    Result<void> Repair(const Target& target, Contents& contents, plist::PlistNode& values, FileIdentity& identity);
    // Gives the damaged file the name aside; kept says whether it also still stands in place.
    Result<void> PutAside(const Target& target, bool keepInPlace, std::string& aside, bool& kept);
    Result<void> WriteAtomically(const Target& target, const plist::PlistNode& values, FileIdentity& identity);

    std::string mFolder;
    std::string mName;  // "<application id>.plist"
    std::string mPath;
};

}  // namespace platform::prefs
