#include "subcommands/MenuCommand.h"

#include "application/Desktop.h"
#include "common/PlatformWarnings.h"
#include "manager/ContextualMenu.h"
#include "manager/MenuPrinter.h"

namespace cmhost {

void RunMenuCommand(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context, bool json,
                    std::ostream& out, std::ostream& err)
{
    OSStatus status = noErr;
    std::vector<MenuItem> items;
    {
        ContextualMenu menu(plugIns, context);
        status = menu.Status();
        items = menu.Items();
        // The menu closes here (PostMenuCleanup), before the report: what its cleanup saved may
        // have left a warning.
    }
    std::vector<std::string> warnings = TakePlatformWarnings();
    PrintWarnings(warnings, err);
    out << (json ? FormatMenuJson(status, items, warnings, DesktopName()) : FormatMenuText(status, items));
    out.flush();
}

}  // namespace cmhost
