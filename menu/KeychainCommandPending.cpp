// NOTE: the clip keychain is not built yet. Until it is, the root submenu offers no keychain
// command and keychainUnlocked stays false, so secure clips are not listed. Whoever builds the
// clip keychain replaces this file with the real step.
#include "menu/MenuExaminationSteps.h"

void AddKeychainCommand(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath)
{
    instance->implData.keychainUnlocked = false;
}
