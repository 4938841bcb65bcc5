// The state of a menu being tracked with the keyboard: the chain of open lists (the top-level
// menu, then each submenu opened from it), the highlighted entry of each, and whether the Option
// key is held. Of terminals it knows only the keys they decode (MenuKey), so every move can be
// checked on its own.
#pragma once

#include "manager/MenuEntries.h"
#include "terminal/MenuKey.h"

#include <vector>

namespace cmhost {

class MenuNavigator {
public:
    struct Level {
        const std::vector<MenuItem>* items = nullptr;
        std::vector<MenuEntry> entries;
        // Index into entries; -1 when the list has nothing that can be picked or opened.
        int highlight = -1;
    };

    struct Outcome {
        enum class Kind { Tracking, Picked, Cancelled };
        Kind kind = Kind::Tracking;
        // For Picked: the record chosen, which always has a command id.
        const MenuItem* picked = nullptr;
    };

    // items must stay alive and unchanged while the navigator is used.
    MenuNavigator(const std::vector<MenuItem>& items, bool optionHeld);

    Outcome Press(MenuKey key);

    // Each returns false when nothing changed.
    bool MoveUp();
    bool MoveDown();
    bool OpenSubmenu();
    bool CloseSubmenu();
    void SetOptionHeld(bool held);

    bool OptionHeld() const { return mOptionHeld; }
    const std::vector<Level>& Levels() const { return mLevels; }
    // The highlighted entry of the innermost open list, or nullptr.
    const MenuEntry* Highlighted() const;

private:
    Level MakeLevel(const std::vector<MenuItem>& items) const;
    SInt32 HeldModifiers() const { return mOptionHeld ? kOptionHeld : 0; }

    bool mOptionHeld;
    std::vector<Level> mLevels;
};

}  // namespace cmhost
