// The Cocoa application that cmhost plays with --cocoa: an application object whose focused view
// holds the --cocoa-selection text, or, without one, a view that cannot send a string. Without
// --cocoa nothing is installed and the plug-in finds no application object.
#pragma once

#include <optional>
#include <string>

namespace cmhost {

class ScopedCocoaApplication {
public:
    // Installs the application object when cocoa is true; the destructor removes it again.
    ScopedCocoaApplication(bool cocoa, const std::optional<std::string>& selection);
    ~ScopedCocoaApplication();
    ScopedCocoaApplication(const ScopedCocoaApplication&) = delete;
    ScopedCocoaApplication& operator=(const ScopedCocoaApplication&) = delete;

private:
    bool mInstalled = false;
};

}  // namespace cmhost
