// "cmhost menu": examine the context with every loaded plug-in, print the menu, clean up.
#pragma once

#include "manager/PlugInInstance.h"

#include <memory>
#include <ostream>
#include <vector>

namespace cmhost {

// Prints the records of all plug-ins in load order, once the menu is closed again. The status
// printed is the first non-zero one that an ExamineContext answered, or 0. The platform's warnings
// go to err, and into the JSON form.
void RunMenuCommand(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context, bool json,
                    std::ostream& out, std::ostream& err);

}  // namespace cmhost
