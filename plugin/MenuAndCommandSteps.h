// The work that the entry points hand on: probing the context, building the menu and running a
// chosen command. The entry points own the working data's life and the exception barrier around
// these steps; the steps may throw status codes.
#pragma once

#include "plugin/AbstractCMPlugin.h"

// Runs before the system version and the clip list are read: for a context of type typeNull,
// asks a Cocoa host whether its focused view shows selected text.
void ProbeHostSelection(AbstractCMPluginType* instance, const AEDesc* context);

// Decides the menu from the context, the clipboard, the keychain and the clip list, and writes it
// into the host's command list. Nothing reaches the list unless the whole menu was built.
void BuildContextMenu(AbstractCMPluginType* instance, const AEDesc* context, AEDescList* commandList);

// Runs the command that carries commandID, with a flavor set of its own for the command's life.
void DispatchSelection(AbstractCMPluginType* instance, AEDesc* context, SInt32 commandID);
