// The shared clipboard as the tests read it back: every flavor in the clipboard's order.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// (type string, bytes) of each flavor; empty when the clipboard cannot be read.
std::vector<std::pair<std::string, std::string>> ReadClipboardFlavors();

}  // namespace testsupport
