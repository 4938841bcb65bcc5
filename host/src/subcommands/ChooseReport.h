// What "cmhost choose" prints: the plug-in's answer, what the user was asked, the keystrokes the
// application received and the document after them.
#pragma once

#include "application/Document.h"
#include "application/KeyboardRecorder.h"
#include "user/DialogReport.h"

#include <Carbon/Carbon.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace cmhost {

struct ChooseReport {
    OSStatus status = noErr;
    std::vector<DialogReport> dialogs;
    std::vector<AlertReport> alerts;
    int passwordPrompts = 0;  // answered with a password
    std::vector<KeyboardRecord> keystrokes;
    // Left out on the desktop, where the host has no document.
    std::optional<std::string> document;
    std::string desktop;  // "x11" or "wayland" on the desktop, else empty
    std::vector<std::string> warnings;  // the platform's, taken once the command was done
};

// {"status", "dialogs", "alerts", "passwordPrompts", "keystrokes", "document", "desktop", "warnings"},
// one key per line ("document" only when there is one, "desktop" only on the desktop). The text form leaves the warnings to standard error.
// Both write straight into out, the document without a copy of it.
void WriteChooseJson(const ChooseReport& report, std::ostream& out);
void WriteChooseText(const ChooseReport& report, std::ostream& out);

}  // namespace cmhost
