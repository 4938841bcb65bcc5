// The entry point the host calls when the user has picked one of the plug-in's commands.
#include "plugin/AbstractCMPlugin.h"

#include "plugin/MenuAndCommandSteps.h"
#include "plugin/Preferences.h"

OSStatus CMPluginHandleSelection(void* thisInstance, AEDesc* inContext, SInt32 inCommandID)
{
    auto* instance = static_cast<AbstractCMPluginType*>(thisInstance);
    if (instance == nullptr) {
        return paramErr;
    }
    // The hold keeps this menu's clip list alive while the command runs, even if the host cleans
    // the menu up meanwhile; a changed list is written when the last hold goes.
    StPluginDataHold hold(instance);
    try {
        DispatchSelection(instance, inContext, inCommandID);
    } catch (...) {
    }
    return noErr;
}
