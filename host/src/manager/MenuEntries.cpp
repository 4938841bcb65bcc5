#include "manager/MenuEntries.h"

#include "manager/MenuPrinter.h"

namespace cmhost {
namespace {

MenuEntry EntryFor(const MenuItem& item)
{
    MenuEntry entry;
    entry.item = &item;
    entry.label = ItemLabel(item);
    if (item.isSubmenu)
        entry.kind = EntryKind::Submenu;
    else if (IsSeparator(item))
        entry.kind = EntryKind::Separator;
    else if (item.command)
        entry.kind = EntryKind::Command;
    else
        entry.kind = EntryKind::Disabled;
    return entry;
}

bool IsDynamic(const MenuItem& item)
{
    return !item.isSubmenu && (item.attributes.value_or(0) & kMenuItemAttrDynamic) != 0;
}

}  // namespace

std::string ItemLabel(const MenuItem& item)
{
    return item.name ? *item.name : "(unreadable name)";
}

std::vector<MenuEntry> VisibleEntries(const std::vector<MenuItem>& items, SInt32 heldModifiers)
{
    std::vector<MenuEntry> entries;
    // True while the last entry is a dynamic item that following alternates may stand in for.
    bool groupOpen = false;
    for (const MenuItem& item : items) {
        const SInt32 attributes = item.attributes.value_or(0);
        const SInt32 modifiers = item.modifiers.value_or(0);
        const bool alternate = groupOpen && IsDynamic(item) && modifiers != 0 &&
                               (attributes & kMenuItemAttrNotPreviousAlternate) == 0;
        if (alternate) {
            if ((modifiers & heldModifiers) == modifiers)
                entries.back() = EntryFor(item);
            continue;
        }
        entries.push_back(EntryFor(item));
        groupOpen = IsDynamic(item);
    }
    return entries;
}

}  // namespace cmhost
