// The reason for the last failed call of one service, kept as the one line the host shows (the
// status codes alone cannot say which file was refused, or why). Each service keeps its slot
// thread_local, so that two threads never see each other's failures.
#pragma once

#include "Result.h"

#include <MacTypes.h>

#include <string>
#include <utility>

namespace platform {

class LastError {
public:
    // Forgets the previous reason: called when one of the service's calls starts.
    void Clear() { mReason.clear(); }
    void Set(std::string reason) { mReason = std::move(reason); }
    // Records the reason and answers status, so that a failure path reads `return slot.Fail(...)`.
    OSStatus Fail(OSStatus status, std::string reason)
    {
        mReason = std::move(reason);
        return status;
    }
    OSStatus Fail(const Failure& failure) { return Fail(failure.status, failure.reason); }
    // "" when the last call succeeded.
    const std::string& Reason() const { return mReason; }

private:
    std::string mReason;
};

}  // namespace platform
