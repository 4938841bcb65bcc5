// Reads the command list that a plug-in filled in ExamineContext.
#pragma once

#include "manager/MenuItem.h"

namespace cmhost {

// Reads every record of the list, submenus included, in list order. A 'cfst' name hands its one
// string reference to the host: each one is released here, after its text has been read, so the
// list must be read exactly once. Records the host cannot make sense of are still walked, so that
// no name reference is left behind.
std::vector<MenuItem> ReadMenuItems(const AEDescList& list);

}  // namespace cmhost
