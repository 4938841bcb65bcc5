// Draws the document and the menu being tracked as one terminal screen: each open list is a
// column, a submenu's column starting level with the entry that opened it, the highlighted entry
// in reverse video, separators as lines.
#pragma once

#include "application/Document.h"
#include "session/MenuNavigator.h"
#include "terminal/ScreenSize.h"

#include <Carbon/Carbon.h>

#include <string>
#include <vector>

namespace cmhost {

// The menu's lines, each with its ANSI styling, at most width columns wide (outer lists are left
// out when all of them do not fit, the innermost one never).
std::vector<std::string> MenuColumnLines(const MenuNavigator& navigator, int width);

// The whole screen, starting with the sequence that clears it: the document (cut short when it
// would push the menu off the screen), the menu, the status of the plug-in when it is not noErr,
// and the key hints with the state of the Option key.
std::string MenuScreenFrame(const Document& document, const MenuNavigator& navigator, OSStatus status,
                            ScreenSize size);

// The number of terminal columns the UTF-8 text takes, counting one per character.
size_t DisplayWidth(const std::string& text);

}  // namespace cmhost
