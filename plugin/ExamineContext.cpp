// The entry point the host calls when a contextual menu opens: it starts one menu's working data
// and has the menu built.
#include "plugin/AbstractCMPlugin.h"

#include "plugin/MenuAndCommandSteps.h"
#include "plugin/Preferences.h"
#include "support/CFDictArray.h"

OSStatus CMPluginExamineContext(void* thisInstance, const AEDesc* inContext, AEDescList* outCommandPairs)
{
    auto* instance = static_cast<AbstractCMPluginType*>(thisInstance);
    if (instance == nullptr) {
        return paramErr;
    }

    // Nothing carries over from an earlier menu. A list still held from one (its menu was never
    // cleaned up) is dropped unsaved, as that menu's changes were never confirmed by its end.
    CMPluginImplData& data = instance->implData;
    ForgetClipList(data);
    data = CMPluginImplData{};

    if (inContext == nullptr) {
        return errAENotAEDesc;
    }
    data.retainCount = 1;

    // The host must never see an exception: whatever fails, the menu simply gets no commands from
    // the plug-in, and the hold taken above is still given back by PostMenuCleanup.
    try {
        if (inContext->descriptorType == typeNull) {
            ProbeHostSelection(instance, inContext);
        }
        SInt32 version = 0;
        if (Gestalt(gestaltSystemVersion, &version) != noErr) {
            version = 0;
        }
        data.systemVersion = version;
        ReadPreferences(data);
        BuildContextMenu(instance, inContext, outCommandPairs);
    } catch (...) {
    }
    return noErr;
}
