// What can be kept of a preferences file whose root dictionary parsed but holds keys or values that
// cannot be used: a key that is not UTF-8, a value the reader would refuse, a key given twice.
#pragma once

#include "plist/PlistNode.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform::prefs {

struct Salvage {
    plist::PlistNode kept;              // the readable keys, in the file's order
    std::vector<std::string> dropped;   // the keys left out, each once, as the file spells them
    std::vector<std::string> repeated;  // keys given more than once (kept when every copy agrees)
};

// Checks the parsed root dictionary of xml key by key. False when every key is usable (salvage is
// then untouched); true when something had to be dropped or was repeated, with salvage holding the
// rest. The parser keeps only the last of a repeated key, so repeats are found in the text itself.
bool SalvageDamagedKeys(std::string_view xml, const plist::PlistNode& root, Salvage& salvage);

}  // namespace platform::prefs
