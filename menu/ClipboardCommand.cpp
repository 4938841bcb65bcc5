// "Add Clipboard Content..." is offered whenever the clipboard holds any flavor at all, even one
// meant only for the application that put it there: what can be taken is decided when the command
// runs.
#include "menu/MenuExaminationSteps.h"

#include "content/FlavorSet.h"
#include "menu/CommandIDs.h"
#include "menu/MenuStrings.h"
#include "support/CFObj.h"

void AddClipboardCommand(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath)
{
    if (!FlavorSet::IsAnythingInClipboard()) {
        return;
    }
    CFObj<CFStringRef> text(CopyLocalizedMenuString(instance, kAddClipboardContentText));
    tree.AddMenuItem(rootPath, text.Get(), kCmdAddClipboardContent, UsesCFStringNames(instance), 0, 0);
}
