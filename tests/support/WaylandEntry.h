// A GTK entry (zenity --entry, a Wayland client we did not write) with the keyboard focus on a
// headless sway: the judge of what a paste typed into a Wayland-native field brought.
#pragma once

#include "support/ChildProcess.h"
#include "support/HeadlessSway.h"

#include <string>

namespace testsupport {

class WaylandEntry {
public:
    // Opens the entry and waits until it has the focus (failing the test when it does not come).
    // The seat must have a keyboard already: a GTK window takes the keyboard only if it sees one.
    WaylandEntry(const HeadlessSway& sway, const ChildProcess::Variables& environment);

    // Whether the entry comes to hold exactly text. Its text is selected with Control-A, posted
    // (CGPostKeyboardEvent) on this process's Wayland keyboard, which must be connected, and read
    // back from the primary selection that the selection makes, again and again until it holds text
    // or the patience runs out: a paste lands once the entry has read the clipboard, which may be
    // after the keys that followed it.
    bool Holds(const std::string& text);

    ChildProcess& Process() { return mZenity; }

private:
    ChildProcess::Variables mEnvironment;
    ChildProcess mZenity;
};

}  // namespace testsupport
