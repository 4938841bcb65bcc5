// Writing Core Foundation objects as XML property lists.
#pragma once

#include <CoreFoundation/CFPropertyList.h>

#include "base/Result.h"
#include "plist/PlistNode.h"

#include <optional>
#include <string>

namespace platform::plist {

// The XML text of a property list, in the original platform's layout (prolog, DOCTYPE, tab
// indents, dictionary keys sorted). A failure with a one-line reason when the value is not a
// property list that XML can carry: an object of another type, a dictionary key that is not a
// string, a string holding U+0000 or an unpaired surrogate (XML cannot carry them; writing them
// would change the text), a date out of range, containers nested too deeply.
Result<std::string> WriteXMLPropertyList(CFPropertyListRef value);

// The libplist tree of a property list (dictionary keys in sorted order); failing as
// WriteXMLPropertyList does.
Result<PlistNode> BuildTree(CFPropertyListRef value);

}  // namespace platform::plist
