// The whole of stashwell-popup behind main(): the desktop, the plug-ins loaded as cmhost loads
// them, the menu at the pointer, and the pick handed to the plug-in.
#pragma once

#include <ostream>

namespace popup {

// argc and argv as main has them (Qt keeps them for the life of the application). Returns the
// process exit status.
int RunPopup(int& argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace popup
