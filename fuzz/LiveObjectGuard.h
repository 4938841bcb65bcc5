// Every input must leave the process with the platform objects it had before: a leak or an
// over-release found by a fuzzer is a finding like a crash, so it aborts the run.
#pragma once

#include <PlatformHost.h>

#include <cstdio>
#include <cstdlib>

class LiveObjectGuard {
public:
    LiveObjectGuard() : mBefore(PlatformLiveObjectCount()) {}
    ~LiveObjectGuard()
    {
        long after = PlatformLiveObjectCount();
        if (after != mBefore) {
            std::fprintf(stderr, "live platform objects: %ld before the input, %ld after it\n", mBefore, after);
            std::abort();
        }
    }
    LiveObjectGuard(const LiveObjectGuard&) = delete;
    LiveObjectGuard& operator=(const LiveObjectGuard&) = delete;

private:
    long mBefore;
};
