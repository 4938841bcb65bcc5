#include "wayland/WaylandDesktop.h"

#include "wayland/WaylandConnection.h"

#include <PlatformHost.h>

namespace platform::wayland {

OSStatus UseWaylandDesktop(std::string& error)
{
    return WaylandConnection::Open(nullptr, error) ? noErr : kPlatformNoDesktopErr;
}

}  // namespace platform::wayland
