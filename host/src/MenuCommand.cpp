#include "MenuCommand.h"

#include "ContextualMenu.h"
#include "MenuPrinter.h"

namespace cmhost {

void RunMenuCommand(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context, bool json,
                    std::ostream& out)
{
    ContextualMenu menu(plugIns, context);
    out << (json ? FormatMenuJson(menu.Status(), menu.Items()) : FormatMenuText(menu.Status(), menu.Items()));
    out.flush();
    // The menu closes here, after it has been shown.
}

}  // namespace cmhost
