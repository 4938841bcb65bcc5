// Owner of one open directory stream (and of the descriptor under it): closed when the owner goes
// away.
#pragma once

#include <dirent.h>

#include <utility>

namespace platform {

class ScopedDir {
public:
    explicit ScopedDir(DIR* dir = nullptr) : mDir(dir) {}
    ~ScopedDir()
    {
        if (mDir != nullptr) {
            ::closedir(mDir);
        }
    }
    ScopedDir(const ScopedDir&) = delete;
    ScopedDir& operator=(const ScopedDir&) = delete;

    DIR* Get() const { return mDir; }

private:
    DIR* mDir;
};

}  // namespace platform
