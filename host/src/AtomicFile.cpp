#include "AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cmhost {
namespace {

// The temporary file, removed unless it has been renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string pattern) : mPath(std::move(pattern))
    {
        mFd = mkostemp(mPath.data(), O_CLOEXEC);
        if (mFd < 0)
            mPath.clear();
    }
    ~TemporaryFile()
    {
        if (mFd >= 0)
            close(mFd);
        if (!mPath.empty())
            unlink(mPath.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return mFd; }
    const std::string& Path() const { return mPath; }
    bool CloseFile()
    {
        int fd = mFd;
        mFd = -1;
        return close(fd) == 0;
    }
    void Keep() { mPath.clear(); }

private:
    std::string mPath;
    int mFd = -1;
};

bool Fail(std::string* error, const std::string& what, const std::string& path, int code)
{
    *error = "cannot " + what + " " + path + ": " + std::strerror(code);
    return false;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error)
{
    std::string target = path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr)
        target = resolved;
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

    TemporaryFile temporary(folder + "/." + name + ".XXXXXX");
    if (temporary.Fd() < 0)
        return Fail(error, "write a temporary file beside", path, errno);
    struct stat existing{};
    if (stat(target.c_str(), &existing) == 0 && fchmod(temporary.Fd(), existing.st_mode & 07777) != 0)
        return Fail(error, "keep the permissions of", path, errno);
    size_t written = 0;
    while (written < contents.size()) {
        ssize_t count = write(temporary.Fd(), contents.data() + written, contents.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return Fail(error, "write", path, errno);
        written += static_cast<size_t>(count);
    }
    if (fsync(temporary.Fd()) != 0)
        return Fail(error, "flush", path, errno);
    if (!temporary.CloseFile())
        return Fail(error, "write", path, errno);
    if (rename(temporary.Path().c_str(), target.c_str()) != 0)
        return Fail(error, "replace", path, errno);
    temporary.Keep();
    int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return true;
}

}  // namespace cmhost
