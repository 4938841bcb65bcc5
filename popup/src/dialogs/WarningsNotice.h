// What was done on the user's behalf that the user must hear of (a preferences file that cannot be
// read, an application holding the clipboard that did not answer): the popup is started from a
// shortcut, so nobody reads its standard error; a notice says it on the desktop.
#pragma once

#include <string>
#include <vector>

namespace popup {

// A warning as a sentence of its own: a line of standard error starts low, a sentence on the desktop
// with a capital ("the clip is ..." → "The clip is ...").
std::string WarningSentence(std::string warning);

// Shows the lines in one notice titled "Stashwell" and returns once the person has closed it.
// Nothing for no lines.
void ShowWarningsNotice(const std::vector<std::string>& warnings);

}  // namespace popup
