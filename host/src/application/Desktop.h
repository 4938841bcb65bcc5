// cmhost on the desktop (--desktop), X11 or Wayland: the platform moved onto it before any plug-in
// is loaded, and the text the user selected there as the context.
#pragma once

#include "application/ContextData.h"

#include "Result.h"

#include <optional>
#include <string>

namespace cmhost {

// Which desktop --desktop asks for: automatic (Wayland when WAYLAND_DISPLAY names a compositor that
// answers, else the X11 display named by DISPLAY), or one of the two.
enum class DesktopChoice { Automatic, X11, Wayland };
// "auto", "x11" or "wayland"; nullopt for another word.
std::optional<DesktopChoice> DesktopChoiceNamed(const std::string& word);

// Puts the platform on the desktop chosen; a failure with a one-line reason when it is not there
// or refuses us.
platform::Result<void> UseDesktop(DesktopChoice choice);
// The desktop the platform is on, as the reports name it: "x11" or "wayland"; "" off the desktop.
std::string DesktopName();

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
