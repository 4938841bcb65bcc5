// Reading XML property lists into Core Foundation objects.
#pragma once

#include <CoreFoundation/CFPropertyList.h>

#include "base/CFOwner.h"
#include "base/Result.h"
#include "plist/PlistNode.h"

#include <string>
#include <string_view>

namespace platform::plist {

// Containers nested deeper than this are refused, by the reader, the writer and the deep copy: the
// libraries underneath recurse once per level, and a container that holds itself must not recurse
// forever.
constexpr int kMaxNestingDepth = 512;

// The value of an XML property list, its containers and leaves made mutable as the option asks; a
// failure with a one-line reason when the bytes are not a property list this platform reads (too
// large, nested too deeply, malformed XML, a string that is not UTF-8, an integer out of the 64-bit
// signed range, an element of another kind).
Result<CFOwner<CFPropertyListRef>> ReadXMLPropertyList(CFAllocatorRef allocator, std::string_view xml,
                                                       CFOptionFlags mutability);

// Parses XML text into a libplist tree after the guards that the parser itself lacks (size,
// nesting depth, byte-order mark, binary input). The tree is not yet checked value by value:
// ConvertTree does that.
Result<PlistNode> ParseXMLPropertyList(std::string_view xml);

// The Core Foundation value of a tree, as ReadXMLPropertyList describes.
Result<CFOwner<CFPropertyListRef>> ConvertTree(CFAllocatorRef allocator, NodeView root, CFOptionFlags mutability);

// Checks every value of a tree as ConvertTree would, without making any object: a success when
// ConvertTree would succeed (memory permitting), else its one-line reason.
Result<void> ValidateTree(NodeView root);

// The deepest nesting of array and dict elements in the text, counted without parsing it (comments
// and character data sections are skipped). Stops counting once limit is passed.
int ScanNestingDepth(std::string_view xml, int limit);

}  // namespace platform::plist
