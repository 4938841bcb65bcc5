// Writing Core Foundation objects as XML property lists.
#pragma once

#include <CoreFoundation/CFPropertyList.h>

#include "plist/PlistNode.h"

#include <optional>
#include <string>

namespace platform::plist {

// The XML text of a property list, in the original platform's layout (prolog, DOCTYPE, tab
// indents, dictionary keys sorted). False with a one-line reason in error when the value is not a
// property list that XML can carry: an object of another type, a dictionary key that is not a
// string, a string holding U+0000 or an unpaired surrogate (XML cannot carry them; writing them
// would change the text), a date out of range, containers nested too deeply.
bool WriteXMLPropertyList(CFPropertyListRef value, std::string& xml, std::string& error);

// The libplist tree of a property list (dictionary keys in sorted order); nullopt with a reason
// in error as for WriteXMLPropertyList.
std::optional<PlistNode> BuildTree(CFPropertyListRef value, std::string& error);

// True when WriteXMLPropertyList would succeed; error as there.

}  // namespace platform::plist
