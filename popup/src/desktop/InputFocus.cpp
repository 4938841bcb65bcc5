#include "desktop/InputFocus.h"

#include <QGuiApplication>
#include <QScopedPointer>

#include <xcb/xcb.h>

namespace popup {
namespace {

xcb_connection_t* DisplayConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The focused window; XCB_NONE when none or when the display does not answer. Being a round trip,
// it also waits for every request sent before it.
xcb_window_t FocusedWindow(xcb_connection_t* connection)
{
    QScopedPointer<xcb_get_input_focus_reply_t, QScopedPointerPodDeleter> reply(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return reply ? reply->focus : static_cast<xcb_window_t>(XCB_NONE);
}

}  // namespace

InputFocus InputFocus::Remember()
{
    xcb_connection_t* connection = DisplayConnection();
    if (connection == nullptr)
        return InputFocus(XCB_NONE);
    const xcb_window_t window = FocusedWindow(connection);
    // PointerRoot is no window to give back to: the focus follows the pointer then.
    return InputFocus(window == XCB_INPUT_FOCUS_POINTER_ROOT ? XCB_NONE : window);
}

void InputFocus::GiveBack() const
{
    xcb_connection_t* connection = DisplayConnection();
    if (connection == nullptr) {
        // On Wayland the compositor gives the focus back itself, once the menu's window has gone:
        // the requests that take it away are sent now, before the paste keystroke is typed.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    // The round trip makes sure the display has let go of the menu's keyboard grab before anyone
    // types: the keystroke comes through another connection.
    const xcb_window_t now = FocusedWindow(connection);
    if (mWindow == XCB_NONE || now == mWindow)
        return;
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, mWindow, XCB_CURRENT_TIME);
    // A window that went away meanwhile makes the request fail, which changes nothing; the round
    // trip waits for either.
    FocusedWindow(connection);
}

}  // namespace popup
