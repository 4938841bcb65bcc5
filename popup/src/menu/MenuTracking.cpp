#include "menu/MenuTracking.h"

#include "desktop/KeyboardGrab.h"
#include "menu/ApplicationWatcher.h"
#include "menu/OptionKey.h"
#include "menu/PopupMenu.h"
#include "menu/TypeToFind.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>

#include <memory>

namespace popup {
namespace {

// Keeps the pointer's moves outside every open list from the lists while it exists. Qt's menu takes
// the pointer leaving it for a wish to close the submenus it opened, and closes them a moment later:
// the lists the person opened, with the keyboard or the pointer, stay open (and take Alt's swap in
// place) until the pointer comes back over one of them, a click or a key.
class OutsideMovesKept : public ApplicationWatcher {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseMove)
            return QObject::eventFilter(watched, event);
        const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<QMenu*>(window) != nullptr && window->isVisible() && window->frameGeometry().contains(at))
                return false;
        return true;
    }
};

}  // namespace

std::optional<SInt32> TrackMenu(const std::vector<cmhost::MenuItem>& items, const QPoint& at)
{
    PopupMenu menu(items, AltHeldNow());
    // Made before the Option key's watcher, which so sees every move first (Qt asks the filter
    // installed last first): a move outside still tells it of Alt.
    OutsideMovesKept outside;
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
