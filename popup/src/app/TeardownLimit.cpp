#include "app/TeardownLimit.h"

#include <cstdio>
#include <cstdlib>

namespace popup {

TeardownLimit::TeardownLimit(int exitStatus, std::chrono::milliseconds limit)
{
    mWatch = std::thread([this, exitStatus, limit] {
        std::unique_lock lock(mMutex);
        if (!mDoneChanged.wait_for(lock, limit, [this] { return mDone; })) {
            std::fflush(nullptr);
            std::_Exit(exitStatus);
        }
    });
}

TeardownLimit::~TeardownLimit()
{
    {
        std::lock_guard lock(mMutex);
        mDone = true;
    }
    mDoneChanged.notify_one();
    mWatch.join();
}

}  // namespace popup
