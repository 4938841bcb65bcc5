// Finds contextual-menu plug-in bundles and makes one instance of each of their factories for the
// contextual-menu type, refusing a bundle that does not keep the plug-in contract.
#pragma once

#include "manager/PlugInInstance.h"

#include <memory>
#include <string>
#include <vector>

namespace cmhost {

struct LoadedPlugIns {
    std::vector<std::unique_ptr<PlugInInstance>> instances;
    // One line naming why loading failed; empty on success (then instances is not empty).
    std::string error;
};

// folder is a bundle folder itself (it has Contents/, or its name ends in ".plugin") or a folder
// of *.plugin bundles, loaded in name order. Any bundle that cannot be loaded fails the whole load.
LoadedPlugIns LoadPlugIns(const std::string& folder);

// The bundle of the build, loaded when no folder is given.
std::string DefaultPlugInsFolder();

}  // namespace cmhost
