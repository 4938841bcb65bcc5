// NOTE: the clip keychain is not built yet. Until it is, a secure clip is not stored at all.
// Whoever builds the clip keychain replaces this file with the real AddNewSecureClip.
#include "commands/ClipCreation.h"

void AddNewSecureClip(AbstractCMPluginType* instance, CFStringRef name, CFStringRef submenu, FlavorSet& flavors) {}
