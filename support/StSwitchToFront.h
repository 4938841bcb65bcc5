// Brings the application the plug-in runs in to the front for as long as the object lives, so a
// dialog or alert of the plug-in is seen in front of whatever application the user was in; on
// destruction the front goes back to the application that had it.
#pragma once

#include <Carbon/Carbon.h>

class StSwitchToFront {
public:
    // With remember false the current process is brought forward and nothing is restored later.
    explicit StSwitchToFront(Boolean remember);
    virtual ~StSwitchToFront();

    StSwitchToFront(const StSwitchToFront&) = delete;
    StSwitchToFront& operator=(const StSwitchToFront&) = delete;

    // The process that was in front when the object was made; {0, 0} when nothing is restored.
    ProcessSerialNumber previousFront;
};
