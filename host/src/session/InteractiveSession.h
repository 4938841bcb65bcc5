// cmhost without a subcommand: the user looks at the document, opens the menu and picks a command
// by typing its id.
#pragma once

#include "application/Document.h"
#include "manager/PlugInInstance.h"

#include <istream>
#include <memory>
#include <ostream>
#include <vector>

namespace cmhost {

// Runs until the user types q or the input ends. Every round opens the menu afresh, as a new
// right-click would, and closes it after the pick; the platform's warnings of the round follow on err.
void RunInteractiveSession(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context,
                           const Document& document, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace cmhost
