// What a contextual menu offers: the context, the clipboard, the keychain and the clip list decide
// the root submenu's commands and the clips, and the finished tree goes into the host's list.
#include "plugin/MenuAndCommandSteps.h"

#include "menu/ClipMenu.h"
#include "menu/CommandIDs.h"
#include "menu/MenuExaminationSteps.h"
#include "menu/MenuStrings.h"
#include "menu/SubmenuTree.h"
#include "support/CFObj.h"
#include "support/CMUtilsText.h"
#include "support/CocoaHelper.h"

void ProbeHostSelection(AbstractCMPluginType* instance, const AEDesc* context)
{
    // A context without anything in it may still come from a Cocoa view with selected text.
    instance->implData.hasTextSelection = cocoaAppHasStringSelection();
}

void BuildContextMenu(AbstractCMPluginType* instance, const AEDesc* context, AEDescList* commandList)
{
    CMPluginImplData& data = instance->implData;
    if (!data.hasTextSelection) {
        data.hasTextSelection = CMUtils::AEDescHasTextData(*context);
        if (!data.hasTextSelection) {
            data.hasTextSelection = cocoaAppHasStringSelection();
        }
    }

    // Everything is collected in the tree first and reaches the host's list in one go at the end:
    // if anything fails on the way, the host's list is left as it was given.
    SubmenuTree tree(commandList);
    CFObj<CFStringRef> rootPath(CopyLocalizedMenuString(instance, kRootMenuPathText));
    if (rootPath.Get() == nullptr) {
        throw static_cast<SInt32>(memFullErr);
    }
    const Boolean useCFString = UsesCFStringNames(instance);

    if (data.hasTextSelection) {
        CFObj<CFStringRef> text(CopyLocalizedMenuString(instance, kAddSelectedTextText));
        tree.AddMenuItem(rootPath.Get(), text.Get(), kCmdAddSelectedText, useCFString, 0, 0);
    }
    AddClipboardCommand(instance, tree, rootPath.Get());
    AddKeychainCommand(instance, tree, rootPath.Get());

    PopulateItemsMenu(instance, tree, rootPath.Get(), true);
    tree.BuildSubmenuTree();
}
