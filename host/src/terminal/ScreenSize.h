// The size of the terminal's window in character cells, as the terminal reports it and the screens
// drawn on it are laid out.
#pragma once

namespace cmhost {

struct ScreenSize {
    int columns = 80;
    int rows = 24;
};

}  // namespace cmhost
