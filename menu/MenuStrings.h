// The texts of the menu in the user's language, from the plug-in bundle's table "Localizable",
// where each English text is its own key and the default when no translation has it.
#pragma once

#include "plugin/AbstractCMPlugin.h"

#define kRootMenuPathText CFSTR("/Stashwell")
#define kAddSelectedTextText CFSTR("Add Selected Text...")
#define kAddClipboardContentText CFSTR("Add Clipboard Content...")
#define kCreateKeychainText CFSTR("Create New Keychain...")
#define kUnlockKeychainText CFSTR("Unlock Keychain...")
#define kLockKeychainText CFSTR("Lock Keychain")
#define kDeleteClipPrefixText CFSTR("- ")
#define kSeparatorText CFSTR("-")

// The localized text of englishText (+1): from the instance's bundle, or englishText itself when
// the instance has no bundle. NULL only when no memory can be had.
CFStringRef CopyLocalizedMenuString(const AbstractCMPluginType* instance, CFStringRef englishText);
