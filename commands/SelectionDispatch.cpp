// The one place where a command id turns into work. The ids are tested in a fixed order: the add
// commands, the keychain commands, then the clip ranges; anything else does nothing.
#include "plugin/MenuAndCommandSteps.h"

#include "commands/CommandSteps.h"
#include "menu/CommandIDs.h"

void DispatchSelection(AbstractCMPluginType* instance, AEDesc* context, SInt32 commandID)
{
    // The command's content, released however the command ends.
    FlavorSet flavors;

    switch (commandID) {
    case kCmdAddSelectedText:
        AddSelectedTextCommand(instance, context, flavors);
        break;
    case kCmdAddClipboardContent:
        AddClipboardContentCommand(instance, flavors);
        break;
    case kCmdUnlockKeychain:
    case kCmdLockKeychain:
    case kCmdCreateKeychain:
        RunKeychainCommand(commandID);
        break;
    default:
        RunClipCommand(instance, commandID, flavors);
        break;
    }
}
