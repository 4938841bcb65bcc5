#include "application/Desktop.h"

#include "common/TextConversion.h"

#include "CFOwner.h"
#include <PlatformHost.h>

namespace cmhost {

bool UseDesktop(std::string& error)
{
    CFStringRef reason = nullptr;
    if (PlatformUseDesktop(nullptr, &reason) == noErr)
        return true;
    platform::CFOwner<CFStringRef> owned = platform::AdoptCF(reason);
    error = owned ? UTF8FromString(owned.Get()) : "the X11 display cannot be used";
    return false;
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
