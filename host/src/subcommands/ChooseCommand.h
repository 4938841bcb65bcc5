// "cmhost choose": examine the context, hand one command to the plug-in, close the menu, let the
// run loop fire what the command scheduled (the paste keystroke), and report what happened.
#pragma once

#include "application/Document.h"
#include "application/KeyboardRecorder.h"
#include "manager/PlugInInstance.h"
#include "user/HostUser.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace cmhost {

struct ChooseRequest {
    // Exactly one of the two: the id handed over as it is, or the titles that lead to the command.
    std::optional<SInt32> id;
    std::optional<std::string> path;
    // Option held: alternates stand in for their main items when a path is resolved.
    bool optionKey = false;
    bool json = false;
    // Whether the paste lands in the host's document, which the report then shows (not on the
    // desktop, where it lands in another application).
    bool reportDocument = true;
};

// user answered the dialogs, alerts and password prompts; the report says what they were.
// Returns the exit status: 0 when the command was handed over (whatever the plug-in answered),
// 2 when the path names no command of the menu, 1 when a paste could not be written back to the
// document's file.
int RunChooseCommand(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context,
                     const ChooseRequest& request, Document& document, const KeyboardRecorder& keyboard,
                     const HostUser& user, std::ostream& out, std::ostream& err);

}  // namespace cmhost
