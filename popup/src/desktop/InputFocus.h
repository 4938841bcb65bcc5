// The window that had the keyboard focus when the popup opened. The menu takes the keyboard while
// it is open; once it has closed the focus must be where it was, because the paste keystroke is
// typed into whichever window has the focus then.
#pragma once

#include <cstdint>

namespace popup {

class InputFocus {
public:
    // Remembers the focused window of the display the application is on (none when it is not on
    // an X11 display).
    static InputFocus Remember();

    // Waits until the display has done everything the application asked of it (letting go of the
    // keyboard), then gives the focus back to the remembered window if it has moved. On Wayland,
    // where the compositor moves the focus, only sends what takes the menu's window away.
    void GiveBack() const;

    // The remembered window, 0 for none.
    uint32_t Window() const { return mWindow; }

private:
    explicit InputFocus(uint32_t window) : mWindow(window) {}
    uint32_t mWindow;
};

}  // namespace popup
