// The plug-ins' command list as a Qt menu: submenus, separators and disabled items as the list has
// them, with the Option key's alternates in place of their main items while Option is held. The
// swap is live: every list, open or not, shows what the held keys call up. A submenu's list is
// filled when it is about to show for the first time. While the user types to find a clip, the top
// list shows the clips found in every list instead, each with its submenu beside it.
#pragma once

#include "manager/MenuEntries.h"

#include <QMenu>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace popup {

class ClipFinder;
class PathColumnStyle;

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

    // Shows in the top list, instead of its own entries, what text finds in every list (the best
    // first, highlighted), below a line that shows the text; "" shows the top list's own again.
    void Find(const QString& text);
    const QString& FoundText() const { return mFoundText; }

    // The top list keeps the size of what it shows, as a window of its own must (on Wayland).
    void FixSize();

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
        QString column;  // shown dimmed on the right: a found clip's submenus
    };

    // What the action shows now; nullptr for a submenu's action or one of another menu.
    const cmhost::MenuEntry* EntryOf(const QAction* action) const;
    void Fill(QMenu& menu, const std::vector<cmhost::MenuItem>& items);
    void Show(const Slot& slot) const;
    // After the top list changed while open: its size to what it shows, and the whole of it on
    // the screen.
    void Refit();

    const std::vector<cmhost::MenuItem>& mItems;
    std::unique_ptr<PathColumnStyle> mStyle;  // outlives the top list that uses it
    std::unique_ptr<QMenu> mTop;
    std::vector<Slot> mSlots;
    bool mOptionHeld;
    bool mFixedSize = false;

    // Finding: made at the first key typed.
    std::unique_ptr<ClipFinder> mFinder;
    QString mFoundText;
    QList<QAction*> mOwnActions;        // the top list's own entries, hidden while finding
    size_t mFoundSlots = 0;             // the slots from here on are found entries
    std::vector<QAction*> mFoundLines;  // the text, a line, and the count of those not shown

};

}  // namespace popup
