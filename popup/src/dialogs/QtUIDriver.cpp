#include "dialogs/QtUIDriver.h"

namespace popup {
namespace {

// Brings a window to the person: shown, in front, with the keyboard.
void Present(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

QtUIDriver::QtUIDriver(int waitMilliseconds) : mWaitMilliseconds(waitMilliseconds) {}

QtUIDriver::~QtUIDriver() = default;

PlatformUIDriver QtUIDriver::Interface()
{
    return PlatformUIDriver{this, &StepWindow, &StepAlert, &WindowEnded};
}

DialogWindow* QtUIDriver::WindowFor(WindowRef window) const
{
    auto found = mWindows.find(window);
    return found != mWindows.end() ? found->second.get() : nullptr;
}

PlatformUIDriverAnswer QtUIDriver::StepWindow(void* context, WindowRef window, UInt32 step)
{
    return static_cast<QtUIDriver*>(context)->StepDialog(window, step);
}

PlatformUIDriverAnswer QtUIDriver::StepAlert(void* context, const PlatformUIAlert* alert, UInt32 step,
                                             DialogItemIndex* itemHit)
{
    return static_cast<QtUIDriver*>(context)->StepStandardAlert(*alert, step, itemHit);
}

void QtUIDriver::WindowEnded(void* context, WindowRef window)
{
    static_cast<QtUIDriver*>(context)->EndDialog(window);
}

PlatformUIDriverAnswer QtUIDriver::StepDialog(WindowRef window, UInt32 step)
{
    auto found = mWindows.find(window);
    if (step == 0 || found == mWindows.end()) {
        // A window that starts its loop: shown as the window is set up now.
        if (found != mWindows.end())
            found->second->Forget();
        auto shown = std::make_unique<DialogWindow>(window, [this] { mPump.Wake(); });
        Present(shown.get());
        found = mWindows.insert_or_assign(window, std::move(shown)).first;
    } else {
        // Timers that fired since the last step may have changed what the window shows.
        found->second->Refresh();
    }
    mPump.Run(mWaitMilliseconds);
    return kPlatformUIDriverContinue;
}

void QtUIDriver::EndDialog(WindowRef window)
{
    auto found = mWindows.find(window);
    if (found == mWindows.end())
        return;
    std::unique_ptr<DialogWindow> ended = std::move(found->second);
    mWindows.erase(found);
    ended->Forget();
}

PlatformUIDriverAnswer QtUIDriver::StepStandardAlert(const PlatformUIAlert& alert, UInt32 step,
                                                     DialogItemIndex* itemHit)
{
    if (step == 0 || !mAlert) {
        mAlert = std::make_unique<AlertBox>(alert, [this] { mPump.Wake(); });
        Present(mAlert.get());
    }
    if (!mAlert->Answer())
        mPump.Run(mWaitMilliseconds);
    if (std::optional<DialogItemIndex> answer = mAlert->Answer()) {
        *itemHit = *answer;
        mAlert->hide();
        mAlert.reset();
        return kPlatformUIDriverDone;
    }
    return kPlatformUIDriverContinue;
}

}  // namespace popup
