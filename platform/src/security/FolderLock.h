// An exclusive lock on the folder that holds a keychain, held while a change is read, made and
// written, and while a key is stored or removed for the file, so that no process loses another's
// change or sees a key land under the identity of a file just replaced. The folder itself is
// locked rather than a lock file beside the keychain, which would be one more file among the
// user's.
#pragma once

#include "prefs/ScopedFd.h"

#include <string>

namespace platform::security {

class FolderLock {
public:
    // Locks the folder of the file at path; waits for other holders.
    explicit FolderLock(const std::string& path);
    // False when the folder could not be opened or locked; errno says why.
    bool Held() const { return mFd.IsValid(); }

private:
    prefs::ScopedFd mFd;
};

}  // namespace platform::security
