// The stored preferences of one application id: one XML property list whose root is a dictionary,
// read and replaced under an flock on "<file>.lock" beside it, replaced by an atomic rename.
#pragma once

#include "plist/PlistNode.h"

#include <map>
#include <string>

namespace platform::prefs {

// Values by key. In a set of changes an empty node stands for a removal.
using ValueMap = std::map<std::u16string, plist::PlistNode>;

// Where a write may be made to fail, so that tests reach every failure path.
enum class WriteStage { None, Create, Write, Sync, Rename };

class PreferencesFile {
public:
    PreferencesFile(std::string folder, const std::string& applicationID);

    const std::string& Path() const { return mPath; }

    // The stored values. A missing file holds none. A file that cannot be parsed, or whose root is
    // not a dictionary, is renamed aside to "<file>.unreadable-<UTC time>" and holds none. False,
    // with the reason in error, only when the file exists but cannot be read or put aside.
    bool Read(ValueMap& values, std::string& error);

    // Under the lock: reads the file again, applies the changes (last writer of a key wins, every
    // other key is kept), writes a temporary file beside it (mode 0600, exclusive create), flushes
    // it, renames it over the file and flushes the folder. merged receives what the file now holds.
    // False, with the reason in error, when any step fails: the file is then as it was and the
    // temporary file is gone.
    bool Merge(const ValueMap& changes, ValueMap& merged, std::string& error);

    // The next write fails at this stage (once).
    static void FailNextWriteForTesting(WriteStage stage);

private:
    bool ReadLocked(ValueMap& values, std::string& error);
    bool PutAside(std::string& error);
    void RemoveStaleTemporaries();
    bool WriteAtomically(const std::string& contents, std::string& error);

    std::string mFolder;
    std::string mName;  // "<application id>.plist"
    std::string mPath;
};

}  // namespace platform::prefs
