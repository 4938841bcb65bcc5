#include "manager/MenuItem.h"

namespace cmhost {

const MenuItem* FindCommand(const std::vector<MenuItem>& items, SInt32 command)
{
    for (const MenuItem& item : items) {
        if (item.isSubmenu) {
            if (const MenuItem* found = FindCommand(item.submenu, command))
                return found;
        } else if (item.command == command) {
            return &item;
        }
    }
    return nullptr;
}

}  // namespace cmhost
