// The instance record: allocation, the interface table and the reference counting of the
// component object model that the host uses.
#include "plugin/AbstractCMPlugin.h"

#include "plugin/PluginIdentity.h"
#include "plugin/Preferences.h"
#include "support/CFObj.h"

ContextualMenuInterfaceStruct sInterfaceStruct = {
    nullptr,
    &AbstractCMPluginQueryInterface,
    &AbstractCMPluginAddRef,
    &AbstractCMPluginRelease,
    &CMPluginExamineContext,
    &CMPluginHandleSelection,
    &CMPluginPostMenuCleanup,
};

AbstractCMPluginType* AllocAbstractCMPluginType(CFUUIDRef factoryID)
{
    auto* instance = reinterpret_cast<AbstractCMPluginType*>(NewPtrClear(sizeof(AbstractCMPluginType)));
    if (instance == nullptr) {
        return nullptr;
    }
    instance->interfaceTable = &sInterfaceStruct;
    if (factoryID != nullptr) {
        instance->factoryID = static_cast<CFUUIDRef>(CFRetain(factoryID));
        CFPlugInAddInstanceForFactory(factoryID);
    }
    instance->refCount = 1;
    // Every localized string and the dialogs' interface file come from the plug-in's own bundle.
    instance->bundle = CFBundleGetBundleWithIdentifier(kStashwellBundleIdentifier);
    if (instance->bundle != nullptr) {
        CFRetain(instance->bundle);
    }
    return instance;
}

void DeallocAbstractCMPluginType(AbstractCMPluginType* instance)
{
    if (instance == nullptr) {
        return;
    }
    // A host that lets go of the instance while a menu's holds are still out would otherwise lose
    // a changed clip list and leak it: give those holds back first.
    while (instance->implData.retainCount > 0) {
        ReleasePluginData(instance);
    }
    ForgetClipList(instance->implData);
    if (instance->bundle != nullptr) {
        CFRelease(instance->bundle);
    }
    CFUUIDRef factoryID = instance->factoryID;
    DisposePtr(reinterpret_cast<Ptr>(instance));
    if (factoryID != nullptr) {
        CFPlugInRemoveInstanceForFactory(factoryID);
        CFRelease(factoryID);
    }
}

HRESULT AbstractCMPluginQueryInterface(void* thisInstance, REFIID iid, LPVOID* ppv)
{
    if (ppv == nullptr) {
        return E_NOINTERFACE;
    }
    auto* instance = static_cast<AbstractCMPluginType*>(thisInstance);
    CFObj<CFUUIDRef> requested(CFUUIDCreateFromUUIDBytes(kCFAllocatorDefault, iid));
    if (requested.Get() == nullptr || instance == nullptr) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // One record and one table answer both the contextual-menu interface and the base interface.
    if (CFEqual(requested.Get(), kContextualMenuInterfaceID) || CFEqual(requested.Get(), IUnknownUUID)) {
        instance->refCount += 1;
        *ppv = instance;
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG AbstractCMPluginAddRef(void* thisInstance)
{
    auto* instance = static_cast<AbstractCMPluginType*>(thisInstance);
    if (instance == nullptr) {
        return 0;
    }
    instance->refCount += 1;
    return instance->refCount;
}

ULONG AbstractCMPluginRelease(void* thisInstance)
{
    auto* instance = static_cast<AbstractCMPluginType*>(thisInstance);
    // A release of a freed or never-counted record would wrap the count and free it twice.
    if (instance == nullptr || instance->refCount == 0) {
        return 0;
    }
    instance->refCount -= 1;
    ULONG remaining = instance->refCount;
    if (remaining == 0) {
        DeallocAbstractCMPluginType(instance);
    }
    return remaining;
}

void CMPluginPostMenuCleanup(void* thisInstance)
{
    ReleasePluginData(static_cast<AbstractCMPluginType*>(thisInstance));
}
