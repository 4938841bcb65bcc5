// Test helpers for files: a temporary folder removed with everything in it, and a storage
// environment that points preferences, clips and the clipboard at fresh folders.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace testsupport {

class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::string& path() const { return mPath; }
    // path() + "/" + name
    std::string Child(const std::string& name) const;

private:
    std::string mPath;
};

// Sets XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR to folders inside a fresh temporary
// folder, and restores the old values when it goes away.
class ScopedStorageEnvironment {
public:
    ScopedStorageEnvironment();
    ~ScopedStorageEnvironment();

    const std::string& root() const { return mDir.path(); }
    std::string ConfigHome() const { return mDir.Child("config"); }
    std::string DataHome() const { return mDir.Child("data"); }
    std::string RuntimeDir() const { return mDir.Child("runtime"); }

private:
    ScopedTempDir mDir;
    std::vector<std::pair<std::string, std::string>> mSaved;  // name, old value ("\x01" when unset)
};

// Reads a whole regular file, as the platform reads one; "" when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes a whole file in place; false when it cannot be written.
bool WriteFile(const std::string& path, const std::string& contents);

// The names of the entries of a folder; empty when it does not exist.
std::set<std::string> EntryNames(const std::string& folder);

}  // namespace testsupport
