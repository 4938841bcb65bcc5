// The exit statuses of cmhost, which scripts rely on: the host did its job (whatever the plug-in
// answered), a bundle could not be loaded or
// --desktop found no display, or the command line was wrong.
#pragma once

namespace cmhost {

enum ExitStatus {
    kExitDone = 0,
    kExitBundleNotLoaded = 1,
    kExitNoDesktop = 1,
    kExitUsage = 2,
};

}  // namespace cmhost
