#include "desktop/KeyboardGrab.h"

#include <QWidget>
#include <QWindow>

namespace popup {
namespace {

constexpr int kIntervalMilliseconds = 20;

}  // namespace

KeyboardGrab::KeyboardGrab(QWidget& popup, int patienceMilliseconds)
    : mPopup(popup), mAttemptsLeft(patienceMilliseconds / kIntervalMilliseconds)
{
    mTimer.setInterval(kIntervalMilliseconds);
    QObject::connect(&mTimer, &QTimer::timeout, this, [this] { Ask(); });
    Ask();
}

void KeyboardGrab::Ask()
{
    QWindow* window = mPopup.windowHandle();
    // A grab asked again by the client that holds it is granted again, so asking when Qt's own
    // grab succeeded changes nothing.
    mGranted = window != nullptr && mPopup.isVisible() && window->setKeyboardGrabEnabled(true);
    if (mGranted || mAttemptsLeft-- <= 0 || !mPopup.isVisible()) {
        mTimer.stop();
        return;
    }
    mTimer.start();
}

}  // namespace popup
