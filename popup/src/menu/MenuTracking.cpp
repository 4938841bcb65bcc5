#include "menu/MenuTracking.h"

#include "menu/OptionKey.h"
#include "menu/PopupMenu.h"

namespace popup {

std::optional<SInt32> TrackMenu(const std::vector<cmhost::MenuItem>& items, const QPoint& at)
{
    PopupMenu menu(items, AltHeldNow());
    OptionKeyWatcher option(menu.OptionHeld(), [&menu](bool held) { menu.SetOptionHeld(held); });
    // exec answers the action picked in the menu or any of its submenus.
    QAction* picked = menu.Top().exec(at);
    return menu.CommandOf(picked);
}

}  // namespace popup
