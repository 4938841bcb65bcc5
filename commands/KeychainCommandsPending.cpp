// NOTE: the clip keychain is not built yet. Until it is, the keychain commands do nothing and a
// secure clip behaves as when its keychain file is missing: pasting reads nothing, deleting
// removes only the record. Whoever builds the clip keychain replaces this file.
#include "commands/CommandSteps.h"

void RunKeychainCommand(SInt32 commandID) {}

void ReadSecureClip(FlavorSet& flavors, CFStringRef noteName) {}

void DeleteSecureClip(CFStringRef noteName) {}
