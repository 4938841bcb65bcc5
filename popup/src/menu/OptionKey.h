// The Option key of the desktop: Alt plays it. Watches every key event the application gets while
// it exists (the open menu has the keyboard) and tells the menu when Alt goes down or up, so the
// alternates swap while the menu is open, in whichever list the pointer is.
#pragma once

#include "menu/ApplicationWatcher.h"

#include <functional>

class QEvent;

namespace popup {

class OptionKeyWatcher : public ApplicationWatcher {
public:
    // changed is called with the new state each time it changes; the watcher starts from held. The
    // Alt key's own events stop here.
    OptionKeyWatcher(bool held, std::function<void(bool)> changed);

    bool Held() const { return mHeld; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mHeld;
    std::function<void(bool)> mChanged;
};

// Whether Alt is down on the keyboard now, as the display says.
bool AltHeldNow();

}  // namespace popup
