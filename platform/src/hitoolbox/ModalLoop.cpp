// The application-modal loop: the installed UI driver plays the user, the run loop keeps its
// timers firing in between, and without a driver the loop ends itself as a cancelled dialog.
#include "hitoolbox/UIDriver.h"
#include "hitoolbox/UIObjects.h"

#include <mutex>

using namespace platform;
using namespace platform::ui;

namespace platform::ui {
namespace {

std::mutex gDriverMutex;
std::optional<PlatformUIDriver> gDriver;

enum class AbsentUserStage { PressCancel, ClickCloseBox, GiveUp };

// Nobody (or nobody any more) answers the window: what an absent user "does" at each stage, so
// that the loop always ends: the window's Cancel button, else the close box, and at last the loop
// ends without an answer. True when the loop had to be ended that way.
bool ActForAbsentUser(OpaqueWindowPtr* window, AbsentUserStage& stage)
{
    if (stage == AbsentUserStage::PressCancel) {
        stage = AbsentUserStage::ClickCloseBox;
        OpaqueControlRef* cancel = FindInTree(window->root.Get(), [](OpaqueControlRef* view) {
            return view->kind == ViewKind::PushButton && view->command == kHICommandCancel && IsShown(view);
        });
        if (cancel != nullptr) {
            PlatformUIClickControl(cancel);
            return false;
        }
    }
    if (stage == AbsentUserStage::ClickCloseBox) {
        stage = AbsentUserStage::GiveUp;
        PlatformUIClickCloseBox(window);
        return false;
    }
    window->quitRequested = true;
    return true;
}

}  // namespace

std::optional<PlatformUIDriver> CurrentUIDriver()
{
    std::lock_guard<std::mutex> lock(gDriverMutex);
    return gDriver;
}

CFStringRef ModalRunLoopMode()
{
    return CFSTR("PlatformModalPanelRunLoopMode");
}

}  // namespace platform::ui

extern "C" {

void PlatformInstallUIDriver(const PlatformUIDriver* driver)
{
    std::lock_guard<std::mutex> lock(gDriverMutex);
    if (driver != nullptr) {
        gDriver = *driver;
    } else {
        gDriver.reset();
    }
}

OSStatus RunAppModalLoopForWindow(WindowRef inWindow)
{
    OpaqueWindowPtr* window = AsWindow(inWindow);
    if (window == nullptr) {
        return errInvalidWindowRef;
    }
    if (window->inModalLoop) {
        return paramErr;
    }
    // Handlers may dispose the window while the loop runs: the loop keeps the object until it ends.
    CFOwner<OpaqueWindowPtr*> kept = RetainCF(window);
    window->inModalLoop = true;
    window->quitRequested = false;
    std::optional<PlatformUIDriver> driver = CurrentUIDriver();
    bool driverActs = driver && driver->stepModalWindow != nullptr;
    UInt32 step = 0;
    AbsentUserStage absentStage = AbsentUserStage::PressCancel;
    bool abandoned = false;
    while (!window->quitRequested && !window->disposed) {
        if (driverActs) {
            if (driver->stepModalWindow(driver->context, window, step++) == kPlatformUIDriverDone) {
                driverActs = false;
            }
        } else {
            abandoned = ActForAbsentUser(window, absentStage);
        }
        if (window->quitRequested || window->disposed) {
            break;
        }
        CFRunLoopRunInMode(ModalRunLoopMode(), 0, false);
    }
    window->inModalLoop = false;
    window->quitRequested = false;
    if (driver && driver->modalWindowEnded != nullptr) {
        driver->modalWindowEnded(driver->context, window);
    }
    return abandoned ? userCanceledErr : noErr;
}

OSStatus QuitAppModalLoopForWindow(WindowRef inWindow)
{
    OpaqueWindowPtr* window = AsWindow(inWindow);
    if (window == nullptr) {
        return errInvalidWindowRef;
    }
    if (window->inModalLoop) {
        window->quitRequested = true;
    }
    return noErr;
}

}  // extern "C"
