// The clips in the menu: each clip record becomes its paste item and, shown in its place while the
// Option key is held, its delete item, in the submenu the record names. Also the list of submenu
// paths in use, which the new-clip dialog offers.
#pragma once

#include "menu/SubmenuTree.h"
#include "plugin/AbstractCMPlugin.h"

// Adds the items of every listed clip of the instance's clip list to the tree, in list order.
// rootPath is the root submenu's path; when addSeparator is true a separator line goes before the
// first clip that sits directly in the root submenu.
//
// Left out (each keeps its index, so the ids of the others do not shift): records that are not
// dictionaries or have no string "NAME"; secure clips while the keychain is not unlocked; records
// at index kMaxListedClips and beyond, whose paste ids would be read as the delete ids of the
// first clips; clips whose submenu cannot be a submenu (a path nested deeper than the tree allows,
// or holding a NUL character).
void PopulateItemsMenu(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath, Boolean addSeparator);

// A new array (+1) of the submenu paths in use: the root path first, then every distinct
// "SUBMENU" of the clip list in order of first use, each with a leading '/' (secure clips count
// whatever the keychain's state). Empty when instance is NULL; NULL when no array can be made.
CFMutableArrayRef CreateSubmenuNameList(const AbstractCMPluginType* instance);

// True when some element of array is a string equal to name (exact, letter case counting).
// False for a NULL array or name.
Boolean FindSubmenu(CFArrayRef array, CFStringRef name);
