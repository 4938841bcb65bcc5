// Typing while the menu is open finds clips: letters, digits and spaces (after the first) go to the
// text the top list finds, Backspace takes the last character back, and Escape clears the text
// (a second Escape closes the menu, as Qt's list does). Arrows, Enter and Alt keep their work.
#pragma once

#include "menu/ApplicationWatcher.h"

class QEvent;

namespace popup {

class PopupMenu;

class TypeToFind : public ApplicationWatcher {
public:
    // Watches every key the application gets while it exists (the open menu has the keyboard).
    explicit TypeToFind(PopupMenu& menu) : mMenu(menu) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PopupMenu& mMenu;
};

}  // namespace popup
