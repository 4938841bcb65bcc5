#include "application/Desktop.h"

#include "common/TextConversion.h"

#include "CFOwner.h"
#include <PlatformHost.h>

namespace cmhost {

std::optional<DesktopChoice> DesktopChoiceNamed(const std::string& word)
{
    if (word == "auto")
        return DesktopChoice::Automatic;
    if (word == "x11")
        return DesktopChoice::X11;
    if (word == "wayland")
        return DesktopChoice::Wayland;
    return std::nullopt;
}

platform::Result<void> UseDesktop(DesktopChoice choice)
{
    const PlatformDesktopKind kind = choice == DesktopChoice::X11       ? kPlatformDesktopX11
                                     : choice == DesktopChoice::Wayland ? kPlatformDesktopWayland
                                                                        : kPlatformDesktopAutomatic;
    CFStringRef reason = nullptr;
    const OSStatus status = PlatformUseDesktopOfKind(kind, &reason);
    if (status == noErr)
        return {};
    platform::CFOwner<CFStringRef> owned = platform::AdoptCF(reason);
    return platform::Failure{status, 0, owned ? UTF8FromString(owned.Get()) : "the desktop cannot be used"};
}

std::string DesktopName()
{
    switch (PlatformCurrentDesktop()) {
    case kPlatformDesktopX11:
        return "x11";
    case kPlatformDesktopWayland:
        return "wayland";
    default:
        return "";
    }
}

std::optional<std::string> DesktopSelectedText()
{
    platform::CFOwner<CFStringRef> text = platform::AdoptCF(PlatformCopyDesktopSelectedText());
    if (!text)
        return std::nullopt;
    return UTF8FromString(text.Get());
}

DesktopSelection ReadDesktopSelection()
{
    DesktopSelection selection;
    selection.text = DesktopSelectedText();
    if (selection.text)
        selection.context = TextContextData(*selection.text).value_or(ContextData{});
    return selection;
}

}  // namespace cmhost
