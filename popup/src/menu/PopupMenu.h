// The plug-ins' command list as a Qt menu: submenus, separators and disabled items as the list has
// them, with the Option key's alternates in place of their main items while Option is held. The
// swap is live: every list, open or not, shows what the held keys call up. A submenu's list is
// filled when it is about to show for the first time.
#pragma once

#include "manager/MenuEntries.h"

#include <QMenu>

#include <memory>
#include <optional>
#include <vector>

namespace popup {

class PopupMenu {
public:
    // items must stay alive and unchanged while the menu exists.
    PopupMenu(const std::vector<cmhost::MenuItem>& items, bool optionHeld);
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    // The top-level list; the submenus are its children (Qt owns them through it).
    QMenu& Top() { return *mTop; }

    void SetOptionHeld(bool held);
    bool OptionHeld() const { return mOptionHeld; }

    // The record an action of this menu shows now; nullptr for a submenu's action or any other.
    const cmhost::MenuItem* ItemOf(const QAction* action) const;
    // The command id that picking the action hands to the plug-in now; nullopt when it cannot be
    // picked (a line, a disabled item) or is not of this menu.
    std::optional<SInt32> CommandOf(const QAction* action) const;

private:
    // One place in a list that an alternate may take: what it shows without and with Option held.
    struct Slot {
        QAction* action = nullptr;  // owned by its list
        cmhost::MenuEntry plain;
        cmhost::MenuEntry optioned;
    };

    // What the action shows now; nullptr for a submenu's action or one of another menu.
    const cmhost::MenuEntry* EntryOf(const QAction* action) const;
    void Fill(QMenu& menu, const std::vector<cmhost::MenuItem>& items);
    void Show(const Slot& slot) const;

    std::unique_ptr<QMenu> mTop;
    std::vector<Slot> mSlots;
    bool mOptionHeld;
};

}  // namespace popup
