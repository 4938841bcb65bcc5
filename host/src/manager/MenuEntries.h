// What the user sees of one menu list: the records after the alternates that the held modifier keys
// call up have taken the place of their main items, separators told apart from items named "-".
#pragma once

#include "manager/MenuItem.h"

#include <string>
#include <vector>

namespace cmhost {

enum class EntryKind {
    Command,    // can be picked
    Submenu,    // opens a list of its own
    Separator,  // a line, never highlighted
    Disabled,   // shown but cannot be picked: a command record without a command id
};

struct MenuEntry {
    EntryKind kind = EntryKind::Disabled;
    std::string label;
    // The record shown; it lives in the list the entries were made from.
    const MenuItem* item = nullptr;
};

// The modifier bits that are held when the user holds the Option key.
constexpr SInt32 kOptionHeld = kMenuOptionModifier;

// One entry per visible record, in list order. An item with the dynamic attribute and modifier bits
// is an alternate of the dynamic item just before it (or of that item's earlier alternates): it is
// never an entry of its own, and it stands in that entry's place when all of its modifier keys are
// in heldModifiers (the last such alternate wins). An item marked not-previous-alternate, or one
// that follows anything other than a dynamic item, starts afresh and is shown as an ordinary item.
std::vector<MenuEntry> VisibleEntries(const std::vector<MenuItem>& items, SInt32 heldModifiers);

// The text an item shows; a name the host cannot read still takes a line.
std::string ItemLabel(const MenuItem& item);

inline bool IsSelectable(const MenuEntry& entry)
{
    return entry.kind == EntryKind::Command || entry.kind == EntryKind::Submenu;
}

}  // namespace cmhost
