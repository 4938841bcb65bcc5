// The keys a menu is tracked with at a terminal: what KeyDecoder makes of the bytes a key press
// sends, and what the session's menu navigator follows.
#pragma once

namespace cmhost {

enum class MenuKey {
    Up,
    Down,
    Right,         // opens the highlighted submenu
    Left,          // closes the innermost submenu
    Enter,         // picks the highlighted command, or opens the highlighted submenu
    Escape,        // closes the innermost submenu; at the top level it cancels the menu
    ToggleOption,  // a terminal cannot report a held Option key, so one key holds and releases it
    Quit,          // cancels the menu at any depth
    Other,
};

}  // namespace cmhost
