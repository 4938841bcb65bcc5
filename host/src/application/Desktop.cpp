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

bool UseDesktop(DesktopChoice choice, std::string& error)
{
    const PlatformDesktopKind kind = choice == DesktopChoice::X11       ? kPlatformDesktopX11
                                     : choice == DesktopChoice::Wayland ? kPlatformDesktopWayland
                                                                        : kPlatformDesktopAutomatic;
    CFStringRef reason = nullptr;
    if (PlatformUseDesktopOfKind(kind, &reason) == noErr)
        return true;
    platform::CFOwner<CFStringRef> owned = platform::AdoptCF(reason);
    error = owned ? UTF8FromString(owned.Get()) : "the desktop cannot be used";
    return false;
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
