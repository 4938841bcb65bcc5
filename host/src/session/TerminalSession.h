// cmhost without a subcommand on a terminal: the document with the contextual menu drawn under it,
// tracked with the arrow keys. Each round opens the menu afresh, as a new right-click would; the
// pick is reported, handed to the plug-in, and the menu is cleaned up.
#pragma once

#include "application/Document.h"
#include "manager/PlugInInstance.h"

#include <memory>
#include <ostream>
#include <vector>

namespace cmhost {

// Runs until the user declines another round or the input ends. optionHeld is the Option key's
// state when the first menu opens; it carries over from one round to the next. The platform's
// warnings of each round are said on err under the round's report.
void RunTerminalSession(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context,
                        const Document& document, bool optionHeld, int inFd, int outFd, std::ostream& out,
                        std::ostream& err);

}  // namespace cmhost
