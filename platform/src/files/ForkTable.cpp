// Fork reference numbers and the test write budget.
#include "files/ForkTable.h"

#include <PlatformHost.h>

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace platform::files {
namespace {

constexpr FSIORefNum kLastRefNum = std::numeric_limits<FSIORefNum>::max();

class ForkTable {
public:
    FSIORefNum Add(std::shared_ptr<OpenFork> fork)
    {
        std::lock_guard lock(mMutex);
        if (mForks.size() >= static_cast<size_t>(kLastRefNum)) {
            return 0;
        }
        // Numbers go round rather than restart at the lowest free one, so that a number just
        // closed is not handed out again at once to a different fork.
        for (;;) {
            FSIORefNum candidate = mNext;
            mNext = (mNext == kLastRefNum) ? 1 : static_cast<FSIORefNum>(mNext + 1);
            if (mForks.emplace(candidate, fork).second) {
                return candidate;
            }
        }
    }

    std::shared_ptr<OpenFork> Find(FSIORefNum refNum)
    {
        std::lock_guard lock(mMutex);
        auto found = mForks.find(refNum);
        return found == mForks.end() ? nullptr : found->second;
    }

    std::shared_ptr<OpenFork> Remove(FSIORefNum refNum)
    {
        std::lock_guard lock(mMutex);
        auto found = mForks.find(refNum);
        if (found == mForks.end()) {
            return nullptr;
        }
        std::shared_ptr<OpenFork> fork = std::move(found->second);
        mForks.erase(found);
        return fork;
    }

private:
    std::mutex mMutex;
    std::unordered_map<FSIORefNum, std::shared_ptr<OpenFork>> mForks;
    FSIORefNum mNext = 1;
};

ForkTable& Table()
{
    static ForkTable* table = new ForkTable();  // used until the process ends, never destroyed
    return *table;
}

std::mutex gBudgetMutex;
long long gWriteBudget = -1;  // negative: no budget

}  // namespace

FSIORefNum AddFork(std::shared_ptr<OpenFork> fork)
{
    return Table().Add(std::move(fork));
}

std::shared_ptr<OpenFork> FindFork(FSIORefNum refNum)
{
    return Table().Find(refNum);
}

std::shared_ptr<OpenFork> RemoveFork(FSIORefNum refNum)
{
    return Table().Remove(refNum);
}

size_t ReserveWriteBytes(size_t wanted)
{
    std::lock_guard lock(gBudgetMutex);
    if (gWriteBudget < 0) {
        return wanted;
    }
    size_t allowed = std::min(wanted, static_cast<size_t>(gWriteBudget));
    gWriteBudget -= static_cast<long long>(allowed);
    return allowed;
}

void RefundWriteBytes(size_t unused)
{
    std::lock_guard lock(gBudgetMutex);
    if (gWriteBudget >= 0) {
        gWriteBudget += static_cast<long long>(unused);
    }
}

}  // namespace platform::files

extern "C" void PlatformSetFileWriteBudgetForTesting(long long byteBudget)
{
    std::lock_guard lock(platform::files::gBudgetMutex);
    platform::files::gWriteBudget = byteBudget < 0 ? -1 : byteBudget;
}
