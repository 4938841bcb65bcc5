// The command ids the plug-in's menu items carry and the host hands back on a pick. The menu
// builders number their items from this table and the dispatcher decodes the same table.
#pragma once

#include <MacTypes.h>

enum {
    kCmdAddSelectedText = 100,
    kCmdAddClipboardContent = 101,
    kCmdCreateKeychain = 125,
    kCmdUnlockKeychain = 126,
    kCmdLockKeychain = 127,
    kCmdPasteClipBase = 200,   // + the clip's index in the clip list
    kCmdDeleteClipBase = 2200  // + the clip's index in the clip list
};

// The paste ids of the indexes from here on would be the delete ids of the first clips
// (200 + 2000 = 2200), so the menu lists only the clips below this index.
enum { kMaxListedClips = kCmdDeleteClipBase - kCmdPasteClipBase };
