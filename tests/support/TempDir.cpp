#include "support/TempDir.h"

#include "RegularFile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <sys/stat.h>

namespace testsupport {

namespace fs = std::filesystem;

// Test files are small; a larger one is a fault in the test.
constexpr size_t kMaxTestFileBytes = size_t{1} << 30;

ScopedTempDir::ScopedTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "stashwell-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    mPath = pattern;
}

ScopedTempDir::~ScopedTempDir()
{
    std::error_code ignored;
    // Locked files (no write bit) must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(mPath, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (!it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(mPath, ignored);
}

std::string ScopedTempDir::Child(const std::string& name) const
{
    return mPath + "/" + name;
}

namespace {
const char* const kVariables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"};
const char* const kFolders[] = {"config", "data", "runtime"};
const std::string kUnset = "\x01";
}  // namespace

ScopedStorageEnvironment::ScopedStorageEnvironment()
{
    for (int i = 0; i < 3; ++i) {
        const char* old = std::getenv(kVariables[i]);
        mSaved.emplace_back(kVariables[i], old != nullptr ? old : kUnset);
        std::string folder = mDir.Child(kFolders[i]);
        mkdir(folder.c_str(), 0700);
        setenv(kVariables[i], folder.c_str(), 1);
    }
}

ScopedStorageEnvironment::~ScopedStorageEnvironment()
{
    for (const auto& [name, value] : mSaved) {
        if (value == kUnset) {
            unsetenv(name.c_str());
        } else {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
}

std::string ReadFile(const std::string& path)
{
    platform::Result<std::string> bytes = platform::ReadRegularFile(path, kMaxTestFileBytes);
    return bytes.Ok() ? bytes.Value() : std::string();
}

bool WriteFile(const std::string& path, const std::string& contents)
{
    // In place, not through the atomic writer: tests plant files under names too long to have a
    // temporary name beside them.
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return static_cast<bool>(out.flush());
}

std::set<std::string> EntryNames(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

}  // namespace testsupport
