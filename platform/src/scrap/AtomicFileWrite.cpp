// No fsync anywhere here: the clipboard lives in the runtime folder, which vanishes at logout and
// never survives a crash of the machine, so flushing would cost time and protect nothing. The
// rename alone is what readers rely on: it makes the new file appear whole or not at all.
#include "scrap/AtomicFileWrite.h"

#include "prefs/ScopedFd.h"
#include "scrap/ScrapError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace platform::scrap {
namespace {

constexpr const char kTemporaryPrefix[] = ".tmp-";
// One write call moves at most this much, well under what the kernel accepts at once.
constexpr size_t kMaxWriteChunk = size_t{1} << 30;

// Removes the temporary file unless it was renamed into place.
class TemporaryName {
public:
    TemporaryName(int folderFd, std::string name) : mFolderFd(folderFd), mName(std::move(name)) {}
    ~TemporaryName()
    {
        if (!mKept) {
            ::unlinkat(mFolderFd, mName.c_str(), 0);
        }
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    const std::string& Name() const { return mName; }
    void Keep() { mKept = true; }

private:
    int mFolderFd;
    std::string mName;
    bool mKept = false;
};

}  // namespace

bool IsTemporaryFileName(const char* name)
{
    return std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0;
}

OSStatus WriteFileAtomically(int folderFd, const std::string& name, const void* bytes, size_t length,
                             const std::string& what)
{
    std::random_device random;
    prefs::ScopedFd fd;
    std::string temporaryName;
    for (int attempt = 0; attempt < 100 && !fd.IsValid(); ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, "%x-%08x", static_cast<unsigned>(::getpid()), random());
        temporaryName = std::string(kTemporaryPrefix) + suffix;
        fd = prefs::ScopedFd(::openat(folderFd, temporaryName.c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd.IsValid() && errno != EEXIST) {
            return FailScrapWithErrno("cannot create a file for " + what + " on the clipboard", errno);
        }
    }
    if (!fd.IsValid()) {
        return FailScrapWithErrno("cannot create a file for " + what + " on the clipboard", EEXIST);
    }
    TemporaryName temporary(folderFd, temporaryName);
    // The umask may only take bits away; the file is private whatever it says.
    ::fchmod(fd.Get(), 0600);

    const char* next = static_cast<const char*>(bytes);
    size_t left = length;
    while (left > 0) {
        ssize_t written = ::write(fd.Get(), next, std::min(left, kMaxWriteChunk));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FailScrapWithErrno("cannot write " + what + " to the clipboard", errno);
        }
        next += written;
        left -= static_cast<size_t>(written);
    }
    if (!fd.Close()) {
        return FailScrapWithErrno("cannot write " + what + " to the clipboard", errno);
    }
    if (::renameat(folderFd, temporary.Name().c_str(), folderFd, name.c_str()) != 0) {
        return FailScrapWithErrno("cannot put " + what + " in place on the clipboard", errno);
    }
    temporary.Keep();
    return noErr;
}

}  // namespace platform::scrap
