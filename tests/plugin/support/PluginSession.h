// The plug-in as a host drives it in the tests: an instance made through the factory over the
// built bundle, with the preferences read afresh and the clipboard empty; one menu and one pick at
// a time; and the keystrokes that a paste posts. The storage environment must be in place before
// a session is made.
#pragma once

#include "plugin/AbstractCMPlugin.h"

#include <Carbon/Carbon.h>

#include <string>
#include <vector>

namespace sessiontest {

// The built bundle (+1).
CFBundleRef CreateStashwellBundle();

struct Keystroke {
    int keyCode;
    bool keyDown;
    bool operator==(const Keystroke&) const = default;
};

// Command down, V down, V up, command up.
inline const std::vector<Keystroke> kCommandV = {{55, true}, {9, true}, {9, false}, {55, false}};

class PluginSession {
public:
    PluginSession();
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // One menu over the context and one pick, as the host runs them (failAllocations: the pick's
    // first allocations fail); then the run loop until the paste keystroke, if any, is posted.
    OSStatus Pick(SInt32 command, AEDesc context = {typeNull, nullptr}, int failAllocations = 0);
    // One menu as an outline.
    std::string MenuOutline(AEDesc context = {typeNull, nullptr});

    AbstractCMPluginType* instance = nullptr;
    std::vector<Keystroke> keystrokes;
};

}  // namespace sessiontest
