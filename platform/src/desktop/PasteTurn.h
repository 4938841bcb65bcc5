// Pastes of the user's processes take turns: a put holds the turn until the application it pastes
// into has fetched it, so that five pastes made at once arrive all five, each once, instead of the
// last content put being pasted five times. The same on every desktop: the turn is a lock file in
// the desktop's clipboard folder.
#pragma once

#include "base/LockFile.h"

#include <chrono>
#include <functional>
#include <string>

namespace platform::desktop {

class PasteTurn {
public:
    // Waits for the paste before ours to be fetched (at most the turn's patience), unless this
    // process holds the turn already; the kernel gives it up with the process in any case.
    void Take(const std::string& folderBaseName);
    bool Held() const { return mTurn.Held(); }
    // The paste keystroke has been typed: asks fetched, again and again, whether the application
    // has fetched our content (each time allowing it to wait at most the time given), for at most
    // the fetch patience; then the turn goes to the next paste.
    void Finish(const std::function<bool(std::chrono::milliseconds wait)>& fetched);

private:
    LockFile mTurn;
};

}  // namespace platform::desktop
