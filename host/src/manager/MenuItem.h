// One record of the command list that a plug-in wrote, as the host read it: a command, or a
// submenu with the records under it.
#pragma once

#include <Carbon/Carbon.h>

#include <optional>
#include <string>
#include <vector>

namespace cmhost {

struct MenuItem {
    // The item text, or nullopt when the record has no name the host can read.
    std::optional<std::string> name;
    // The descriptor type the name came in ('cfst', 'utxt', 'TEXT', ...); 0 when there is no name.
    DescType nameType = 0;
    std::optional<SInt32> command;
    // Present only when the record carries them.
    std::optional<SInt32> attributes;
    std::optional<SInt32> modifiers;
    bool isSubmenu = false;
    std::vector<MenuItem> submenu;
};

// The item that the user would pick with command id; nullptr when no item carries it.
const MenuItem* FindCommand(const std::vector<MenuItem>& items, SInt32 command);

}  // namespace cmhost
