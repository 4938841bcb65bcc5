#include "application/CocoaApplication.h"

#include "common/TextConversion.h"

#include <PlatformHost.h>

namespace cmhost {

ScopedCocoaApplication::ScopedCocoaApplication(bool cocoa, const std::optional<std::string>& selection)
{
    if (!cocoa)
        return;
    // The command line has already refused a selection that is not UTF-8.
    platform::CFOwner<CFStringRef> text;
    if (selection)
        text = CreateStringFromUTF8(*selection);
    PlatformInstallCocoaApplication(text.Get(), kPlatformCocoaViewWritesSelection);
    mInstalled = true;
}

ScopedCocoaApplication::~ScopedCocoaApplication()
{
    if (mInstalled)
        PlatformRemoveCocoaApplication();
}

}  // namespace cmhost
