// The person at the desktop as the process's UI driver: a modal loop's window becomes a real
// window (DialogWindow) and a standard alert a message box (AlertBox). Each step lets Qt process
// the person's input for a short while, or until something they did needs the platform, and then
// answers Continue, so that the platform's run-loop timers keep firing while they think. A window
// is hidden and let go when its loop ends.
#pragma once

#include "dialogs/AlertBox.h"
#include "dialogs/DialogWindow.h"
#include "dialogs/EventPump.h"

#include <PlatformUIDriver.h>

#include <map>
#include <memory>

namespace popup {

class QtUIDriver {
public:
    // waitMilliseconds: how long each step lets Qt wait for the person.
    explicit QtUIDriver(int waitMilliseconds = 50);
    ~QtUIDriver();
    QtUIDriver(const QtUIDriver&) = delete;
    QtUIDriver& operator=(const QtUIDriver&) = delete;

    // The driver to install; it refers to this object, which must outlive the installation.
    PlatformUIDriver Interface();

    // The window shown for a modal loop that runs now, or nullptr.
    DialogWindow* WindowFor(WindowRef window) const;

private:
    static PlatformUIDriverAnswer StepWindow(void* context, WindowRef window, UInt32 step);
    static PlatformUIDriverAnswer StepAlert(void* context, const PlatformUIAlert* alert, UInt32 step,
                                            DialogItemIndex* itemHit);
    static void WindowEnded(void* context, WindowRef window);

    PlatformUIDriverAnswer StepDialog(WindowRef window, UInt32 step);
    PlatformUIDriverAnswer StepStandardAlert(const PlatformUIAlert& alert, UInt32 step, DialogItemIndex* itemHit);
    void EndDialog(WindowRef window);

    int mWaitMilliseconds;
    EventPump mPump;
    std::map<WindowRef, std::unique_ptr<DialogWindow>> mWindows;
    std::unique_ptr<AlertBox> mAlert;
};

}  // namespace popup
