// Names a command as the user sees it: the titles from the top of the menu down to the item,
// joined with '/', for example "Stashwell/Work/Greeting".
#pragma once

#include "manager/MenuEntries.h"

#include <string_view>

namespace cmhost {

// The command the path leads to, as the menu shows with heldModifiers held (so "Stashwell/- Greeting"
// names the alternate only while Option is held); nullptr when no visible command has that path.
// A title may itself hold '/': every way of splitting the path along the titles is tried, and the
// first match in menu order wins.
const MenuItem* FindCommandByPath(const std::vector<MenuItem>& items, std::string_view path, SInt32 heldModifiers);

}  // namespace cmhost
