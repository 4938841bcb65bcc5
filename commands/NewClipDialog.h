// The modal "New Clip" dialog of the two add commands: the user names the new clip, picks or
// types its submenu, and chooses whether it is stored securely and whether only its plain text is
// kept.
#pragma once

#include "plugin/AbstractCMPlugin.h"

#include <CoreFoundation/CoreFoundation.h>

// Shows the dialog of the instance's bundle with defaultName in the name field, the submenu
// paths of names (NULL: none) in the submenu field's list, the first of them as its text, and
// the check boxes ticked as secure and plainText say; offerPlainText false hides the plain-text
// box.
//
// True when the user confirmed with OK: then *name and *submenu are new strings (+1) the caller
// releases, and secure and plainText hold the user's choice. False when the dialog could not be
// loaded, the user cancelled or a text could not be read: *name and *submenu are NULL and the
// check-box arguments unchanged.
Boolean AskForClipName(const AbstractCMPluginType* instance, CFStringRef defaultName, CFArrayRef names,
                       Boolean offerPlainText, CFStringRef* submenu, CFStringRef* name, Boolean& secure,
                       Boolean& plainText);
