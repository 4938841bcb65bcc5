// The two printed forms of a menu: JSON for scripts and tests, and an indented text form for people.
#pragma once

#include "manager/MenuItem.h"

#include <string>
#include <vector>

namespace cmhost {

// {"status": N, "items": [...], "desktop": "...", "warnings": [...]}: one record per line, submenus
// nested in place, each record with "name", "nameType", "command", "attributes" and "modifiers"
// only when the record has them, and "submenu" for a submenu; then the desktop that served the
// menu ("x11" or "wayland", left out off the desktop) and the platform's warnings, each on a line
// of its own. Ends with a newline.
std::string FormatMenuJson(OSStatus status, const std::vector<MenuItem>& items,
                           const std::vector<std::string>& warnings, const std::string& desktop = "");

// One line per item, submenu contents indented under their title; a separator shows as a line.
// Ends with a newline.
std::string FormatMenuText(OSStatus status, const std::vector<MenuItem>& items);

// True when the item shows as a separator line rather than as a command.
bool IsSeparator(const MenuItem& item);

}  // namespace cmhost
