// NOTE: the clipboard probe and the clip keychain are not built yet. Until they are, the root
// submenu offers neither "Add Clipboard Content..." nor a keychain command, and keychainUnlocked
// stays false, so secure clips are not listed. Whoever builds the clipboard exchange and the clip
// keychain replaces this file with the real steps.
#include "menu/MenuExaminationSteps.h"

void AddClipboardCommand(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath) {}

void AddKeychainCommand(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath)
{
    instance->implData.keychainUnlocked = false;
}
