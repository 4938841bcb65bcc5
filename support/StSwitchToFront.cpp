// Bringing the host application forward around a modal interaction and giving the front back.
#include "support/StSwitchToFront.h"

namespace {

// The calling process, as the Process Manager reads this reserved number.
const ProcessSerialNumber kCurrentProcessNumber = {0, kCurrentProcess};

bool IsNoProcess(const ProcessSerialNumber& psn)
{
    return psn.highLongOfPSN == 0 && psn.lowLongOfPSN == kNoProcess;
}

}  // namespace

StSwitchToFront::StSwitchToFront(Boolean remember) : previousFront{0, kNoProcess}
{
    Boolean same = false;
    if (remember) {
        // The statuses are not looked at: a front that cannot be told is simply not restored.
        GetFrontProcess(&previousFront);
        SameProcess(&kCurrentProcessNumber, &previousFront, &same);
    }
    if (!same) {
        SetFrontProcess(&kCurrentProcessNumber);
    }
}

StSwitchToFront::~StSwitchToFront()
{
    if (!IsNoProcess(previousFront)) {
        SetFrontProcess(&previousFront);
    }
    previousFront = {0, kNoProcess};
}
