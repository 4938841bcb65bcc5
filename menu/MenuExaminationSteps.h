// The fixed commands of the root submenu that depend on the clipboard and on the clip keychain.
// The menu examination calls them in this order, between the selected-text command and the clips.
#pragma once

#include "menu/SubmenuTree.h"
#include "plugin/AbstractCMPlugin.h"

// Adds "Add Clipboard Content..." under rootPath when the clipboard holds anything.
void AddClipboardCommand(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath);

// Finds the clip keychain's state, sets keychainUnlocked, and adds the one keychain command that
// fits it under rootPath: "Lock Keychain", "Unlock Keychain..." or "Create New Keychain...".
void AddKeychainCommand(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath);
