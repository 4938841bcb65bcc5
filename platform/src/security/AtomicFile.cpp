#include "security/AtomicFile.h"

#include "prefs/ScopedFd.h"
#include "security/KeychainCrypto.h"

#include <Security/SecBase.h>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace platform::security {

using prefs::ScopedFd;

OSStatus StatusFromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return errSecNoSuchKeychain;
    case EACCES:
    case EPERM:
        return errSecWrPerm;
    case EROFS:
        return errSecReadOnly;
    case ENOSPC:
    case EDQUOT:
        return dskFulErr;
    case ENOMEM:
        return errSecAllocate;
    case ENAMETOOLONG:
        return bdNamErr;
    case EEXIST:
        return errSecDuplicateKeychain;
    default:
        return ioErr;
    }
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

void RemoveAbandonedTemporaries(const std::string& path)
{
    // Each holds a whole sealed copy of the keychain, items deleted since included, so they must
    // not pile up.
    std::string folder = FolderOf(path);
    std::string prefix = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1) + ".tmp-";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name(entry->d_name);
        if (name.size() == prefix.size() + 16 && name.compare(0, prefix.size(), prefix) == 0 &&
            name.substr(prefix.size()).find_first_not_of("0123456789abcdef") == std::string_view::npos) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

AtomicFile::~AtomicFile()
{
    if (!mTempPath.empty() && !mCommitted) {
        ::unlink(mTempPath.c_str());
    }
}

OSStatus AtomicFile::Prepare(std::span<const uint8_t> bytes)
{
    std::array<uint8_t, 8> random{};
    FillRandom(random);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix;
    for (uint8_t byte : random) {
        suffix += kDigits[byte >> 4];
        suffix += kDigits[byte & 0xF];
    }
    std::string tempPath = mPath + ".tmp-" + suffix;
    ScopedFd fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.IsValid()) {
        return StatusFromErrno(errno);
    }
    mTempPath = tempPath;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return StatusFromErrno(errno);
        }
        done += static_cast<size_t>(written);
    }
    if (::fsync(fd.Get()) != 0 || ::fstat(fd.Get(), &mStat) != 0) {
        return StatusFromErrno(errno);
    }
    if (!fd.Close()) {
        return StatusFromErrno(errno);
    }
    return noErr;
}

OSStatus AtomicFile::Commit(bool mustNotExist)
{
    if (mTempPath.empty()) {
        return paramErr;
    }
    int result = mustNotExist ? ::renameat2(AT_FDCWD, mTempPath.c_str(), AT_FDCWD, mPath.c_str(), RENAME_NOREPLACE)
                              : ::rename(mTempPath.c_str(), mPath.c_str());
    if (result != 0 && mustNotExist && errno == EINVAL) {
        // A file system without exclusive rename: a hard link also refuses to replace a file.
        result = ::link(mTempPath.c_str(), mPath.c_str());
        if (result == 0) {
            ::unlink(mTempPath.c_str());
        }
    }
    if (result != 0) {
        return StatusFromErrno(errno);
    }
    mCommitted = true;
    ScopedFd folder(::open(FolderOf(mPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsValid()) {
        ::fsync(folder.Get());
    }
    return noErr;
}

}  // namespace platform::security
