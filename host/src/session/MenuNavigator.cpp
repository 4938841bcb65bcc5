#include "session/MenuNavigator.h"

namespace cmhost {
namespace {

// The selectable entry at or after from, else the last one before it; -1 when there is none.
int NearestSelectable(const std::vector<MenuEntry>& entries, int from)
{
    int start = from < 0 ? 0 : from;
    for (size_t i = static_cast<size_t>(start); i < entries.size(); ++i) {
        if (IsSelectable(entries[i]))
            return static_cast<int>(i);
    }
    for (int i = start - 1; i >= 0; --i) {
        if (IsSelectable(entries[static_cast<size_t>(i)]))
            return i;
    }
    return -1;
}

}  // namespace

MenuNavigator::MenuNavigator(const std::vector<MenuItem>& items, bool optionHeld) : mOptionHeld(optionHeld)
{
    mLevels.push_back(MakeLevel(items));
}

MenuNavigator::Level MenuNavigator::MakeLevel(const std::vector<MenuItem>& items) const
{
    Level level;
    level.items = &items;
    level.entries = VisibleEntries(items, HeldModifiers());
    level.highlight = NearestSelectable(level.entries, 0);
    return level;
}

const MenuEntry* MenuNavigator::Highlighted() const
{
    const Level& level = mLevels.back();
    return level.highlight < 0 ? nullptr : &level.entries[static_cast<size_t>(level.highlight)];
}

bool MenuNavigator::MoveUp()
{
    Level& level = mLevels.back();
    for (int i = level.highlight - 1; i >= 0; --i) {
        if (IsSelectable(level.entries[static_cast<size_t>(i)])) {
            level.highlight = i;
            return true;
        }
    }
    return false;
}

bool MenuNavigator::MoveDown()
{
    Level& level = mLevels.back();
    if (level.highlight < 0)
        return false;
    for (size_t i = static_cast<size_t>(level.highlight) + 1; i < level.entries.size(); ++i) {
        if (IsSelectable(level.entries[i])) {
            level.highlight = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool MenuNavigator::OpenSubmenu()
{
    const MenuEntry* entry = Highlighted();
    if (!entry || entry->kind != EntryKind::Submenu)
        return false;
    mLevels.push_back(MakeLevel(entry->item->submenu));
    return true;
}

bool MenuNavigator::CloseSubmenu()
{
    if (mLevels.size() <= 1)
        return false;
    mLevels.pop_back();
    return true;
}

void MenuNavigator::SetOptionHeld(bool held)
{
    if (held == mOptionHeld)
        return;
    mOptionHeld = held;
    // An alternate takes its main item's place, so every list keeps its length and the highlight
    // stays on the same line; the submenus stay open because a submenu is never an alternate.
    for (Level& level : mLevels) {
        level.entries = VisibleEntries(*level.items, HeldModifiers());
        // An alternate without a command id cannot be picked: the highlight moves off it.
        if (level.highlight < 0 || !IsSelectable(level.entries[static_cast<size_t>(level.highlight)]))
            level.highlight = NearestSelectable(level.entries, level.highlight);
    }
}

MenuNavigator::Outcome MenuNavigator::Press(MenuKey key)
{
    Outcome outcome;
    switch (key) {
    case MenuKey::Up:
        MoveUp();
        break;
    case MenuKey::Down:
        MoveDown();
        break;
    case MenuKey::Right:
        OpenSubmenu();
        break;
    case MenuKey::Left:
        CloseSubmenu();
        break;
    case MenuKey::Enter:
        if (const MenuEntry* entry = Highlighted()) {
            if (entry->kind == EntryKind::Command) {
                outcome.kind = Outcome::Kind::Picked;
                outcome.picked = entry->item;
            } else {
                OpenSubmenu();
            }
        }
        break;
    case MenuKey::Escape:
        if (!CloseSubmenu())
            outcome.kind = Outcome::Kind::Cancelled;
        break;
    case MenuKey::ToggleOption:
        SetOptionHeld(!mOptionHeld);
        break;
    case MenuKey::Quit:
        outcome.kind = Outcome::Kind::Cancelled;
        break;
    case MenuKey::Other:
        break;
    }
    return outcome;
}

}  // namespace cmhost
