// The command line of stashwell-popup.
#pragma once

#include <string>
#include <vector>

namespace popup {

struct PopupCommandLine {
    enum class Outcome {
        Run,    // open the menu
        Help,   // print output, exit 0
        Error,  // print output (one line) to standard error, exit 2
    };
    Outcome outcome = Outcome::Run;
    std::string output;
    // Empty: the Stashwell.plugin installed with the program, else the build's.
    std::string plugins;
    // "auto" (Wayland when WAYLAND_DISPLAY names a compositor that answers, else X11), "x11" or
    // "wayland".
    std::string desktop = "auto";
};

// Reads the arguments after the program name.
PopupCommandLine ParsePopupCommandLine(const std::vector<std::string>& arguments);

}  // namespace popup
