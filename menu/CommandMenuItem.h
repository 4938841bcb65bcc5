// A command leaf of the submenu tree: everything one command record needs.
#pragma once

#include "menu/AbstractMenuItem.h"

#include <CoreFoundation/CoreFoundation.h>

class CommandMenuItem : public AbstractMenuItem {
public:
    // Retains both strings, which must not be NULL.
    CommandMenuItem(CFStringRef inSubmenuPath, CFStringRef inName, SInt32 inCommandID, Boolean inUseCFString,
                    UInt32 inAttributes, UInt32 inModifiers);
    ~CommandMenuItem() override;

    Boolean IsSubmenu() const override { return false; }

    CFStringRef submenuPath;  // retained; the path the command was added under, as given
    CFStringRef name;         // retained; the item text
    SInt32 commandID;         // what the host reports when the item is picked
    Boolean useCFString;      // write the name as a string reference rather than UTF-16 text
    UInt32 attributes;        // menu item attribute bits
    UInt32 modifiers;         // modifier-key bits
};
