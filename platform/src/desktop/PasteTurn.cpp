#include "desktop/PasteTurn.h"

#include "base/ScopedFd.h"
#include "base/Warnings.h"
#include "scrap/ClipboardFolder.h"

#include <algorithm>
#include <cerrno>
#include <thread>

namespace platform::desktop {
namespace {

// An application that fetches nothing holds the next paste up only this long; a paste before ours
// that never ends, only the turn's patience.
constexpr std::chrono::milliseconds kFetchPatience{2000};
constexpr std::chrono::milliseconds kTurnPatience{4000};
constexpr char kPasteTurnName[] = "paste-turn";

}  // namespace

void PasteTurn::Take(const std::string& folderBaseName)
{
    if (mTurn.Held()) {
        return;
    }
    ScopedFd folder;
    if (scrap::OpenClipboardFolder(folder, folderBaseName) != noErr) {
        return;  // the clear that follows says why
    }
    const auto deadline = std::chrono::steady_clock::now() + kTurnPatience;
    for (;;) {
        const Result<void> turn =
            mTurn.Lock(folder.Get(), kPasteTurnName, LockFile::Mode::Exclusive, LockFile::Wait::Try);
        if (turn.Errno() != EWOULDBLOCK) {
            return;  // held, or no lock to be had: the paste goes on either way
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ReportWarning("the paste before this one was not fetched within " +
                          std::to_string(kTurnPatience.count() / 1000) +
                          " s; this one went ahead, and the two may arrive in either order");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void PasteTurn::Finish(const std::function<bool(std::chrono::milliseconds wait)>& fetched)
{
    if (!mTurn.Held()) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kFetchPatience;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || fetched(std::min(left, std::chrono::milliseconds(100)))) {
            break;
        }
    }
    mTurn.Unlock();
}

}  // namespace platform::desktop
