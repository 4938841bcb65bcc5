#include "manager/MenuPath.h"

namespace cmhost {

const MenuItem* FindCommandByPath(const std::vector<MenuItem>& items, std::string_view path, SInt32 heldModifiers)
{
    for (const MenuEntry& entry : VisibleEntries(items, heldModifiers)) {
        if (!entry.item->name || path.compare(0, entry.label.size(), entry.label) != 0)
            continue;
        std::string_view rest = path.substr(entry.label.size());
        if (rest.empty() && entry.kind == EntryKind::Command)
            return entry.item;
        if (entry.kind == EntryKind::Submenu && rest.size() > 1 && rest.front() == '/') {
            if (const MenuItem* found = FindCommandByPath(entry.item->submenu, rest.substr(1), heldModifiers))
                return found;
        }
    }
    return nullptr;
}

}  // namespace cmhost
