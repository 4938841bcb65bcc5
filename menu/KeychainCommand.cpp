// The one keychain command of the root submenu, chosen by the state of the clip keychain file:
// absent, present and locked, or present and unlocked. The same state decides whether secure
// clips are listed, so they show only while their content can be read without a prompt.
#include "menu/MenuExaminationSteps.h"

#include "menu/CommandIDs.h"
#include "menu/MenuStrings.h"
#include "secure/ClipKeychain.h"
#include "support/CFObj.h"

void AddKeychainCommand(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath)
{
    CMPluginImplData& data = instance->implData;
    data.keychainUnlocked = false;

    StKeychainPath path;
    CFStringRef text = kCreateKeychainText;
    SInt32 commandID = kCmdCreateKeychain;
    if (path.FileMissing()) {
        // The key of a keychain deleted since its unlock would otherwise stay in the user's keyring
        // with nothing to ever look at it again: asking for the missing keychain's status sweeps it.
        ClipKeychain(path.Get()).GetStatus();
    } else if (path.FileExists()) {
        ClipKeychain keychain(path.Get());
        if ((keychain.GetStatus() & kSecUnlockStateStatus) != 0) {
            data.keychainUnlocked = true;
            text = kLockKeychainText;
            commandID = kCmdLockKeychain;
        } else {
            text = kUnlockKeychainText;
            commandID = kCmdUnlockKeychain;
        }
    }
    CFObj<CFStringRef> name(CopyLocalizedMenuString(instance, text));
    tree.AddMenuItem(rootPath, name.Get(), commandID, UsesCFStringNames(instance), 0, 0);
}
