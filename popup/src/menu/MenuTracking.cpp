#include "menu/MenuTracking.h"

#include "desktop/KeyboardGrab.h"
#include "menu/OptionKey.h"
#include "menu/PopupMenu.h"
#include "menu/TypeToFind.h"

#include <QGuiApplication>
#include <QTimer>

#include <memory>

namespace popup {

std::optional<SInt32> TrackMenu(const std::vector<cmhost::MenuItem>& items, const QPoint& at)
{
    PopupMenu menu(items, AltHeldNow());
    OptionKeyWatcher option(menu.OptionHeld(), [&menu](bool held) { menu.SetOptionHeld(held); });
    TypeToFind finding(menu);
    // The command is read when the action fires, with Option as it is held then: by the time the
    // menu's loop returns, a release of Alt that followed the pick may have been handled. Every
    // submenu's pick is also told to the lists that opened it.
    std::optional<SInt32> picked;
    QObject::connect(&menu.Top(), &QMenu::triggered, [&menu, &picked](QAction* action) {
        if (!picked)
            picked = menu.CommandOf(action);
    });
    // Once the menu is on the screen, the keyboard is asked for until it is had.
    std::unique_ptr<KeyboardGrab> keyboard;
    QTimer::singleShot(0, &menu.Top(), [&menu, &keyboard] { keyboard = std::make_unique<KeyboardGrab>(menu.Top()); });
    // A Wayland client may not place its windows, and a menu with no window of ours under it opens
    // as a window of its own: one of a fixed size, which tiling compositors float rather than
    // stretch over the screen, placed where the compositor puts new windows.
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        menu.Top().setWindowTitle(QStringLiteral("Stashwell"));
        menu.FixSize();
    }
    menu.Top().exec(at);
    return picked;
}

}  // namespace popup
