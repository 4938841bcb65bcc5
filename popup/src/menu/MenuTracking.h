// The menu shown at a point of the screen and tracked by Qt until the user picks a command or
// closes it: what the popup does between opening the plug-ins' menu and handing over the pick.
#pragma once

#include "manager/MenuItem.h"

#include <QPoint>

#include <optional>

namespace popup {

// Shows the records as a menu at the point (the top-left corner, moved to fit the screen) and runs
// Qt's event loop until it closes. Alt plays the Option key, held or not from the start as the
// keyboard has it. The command id picked; nullopt when the menu was closed without a pick (Escape,
// a click outside).
std::optional<SInt32> TrackMenu(const std::vector<cmhost::MenuItem>& items, const QPoint& at);

}  // namespace popup
