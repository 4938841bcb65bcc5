// cmhost on the X11 desktop (--desktop): the platform moved onto the display before any plug-in
// is loaded, and the text the user selected there as the context.
#pragma once

#include "application/ContextData.h"

#include <optional>
#include <string>

namespace cmhost {

// Puts the platform on the display named by DISPLAY. False with a one-line reason when there is
// no display or it refuses us.
bool UseDesktop(std::string& error);

// The text selected on the desktop (the PRIMARY selection) as UTF-8; nullopt when nothing usable
// is selected.
std::optional<std::string> DesktopSelectedText();

// What a menu opened over the desktop is opened on: the selected text, and as the context its
// 'utxt' descriptor (typeNull when nothing usable is selected).
struct DesktopSelection {
    std::optional<std::string> text;
    ContextData context;
};
DesktopSelection ReadDesktopSelection();

}  // namespace cmhost
