// What a pick changed that the user cannot see: a clip stored or deleted, the keychain made, locked
// or unlocked. Told from the menu before the pick and the menu examined again after it, so that the
// popup needs nothing from the plug-ins but their menus. A paste changes nothing there and is told
// by nothing: the user sees it.
#pragma once

#include "manager/MenuItem.h"

#include <string>
#include <vector>

namespace popup {

// One sentence per change, the keychain's first (a clip may have been stored in the keychain just
// made), then the clips stored in the order of the menu after, then those deleted. A clip is an
// item with an Option alternate (its delete item), known by its name and the submenus that hold it
// below the plug-in's own ("Mail › Work"); its command id, which moves with every other clip, does
// not count. Clips that the keychain's unlocking lists again, or its locking hides, are not told.
std::vector<std::string> ChangeSentences(const std::vector<cmhost::MenuItem>& before,
                                         const std::vector<cmhost::MenuItem>& after);

}  // namespace popup
