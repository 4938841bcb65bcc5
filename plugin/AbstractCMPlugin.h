// The plug-in's instance record and its per-menu working data. The record is one zero-filled
// Memory Manager block whose first field is the interface table, so a pointer to the record is the
// interface pointer that the host holds and passes back to every entry point.
#pragma once

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

class CFDictArray;
class ClipListChanges;

// What one menu's work shares: cleared when a menu opens, released when its last hold goes.
struct CMPluginImplData {
    SInt32 retainCount;        // holds on this data: 1 while a menu is open, 2 during a selection
    SInt32 systemVersion;      // Gestalt('sysv'), 0x1020 for 10.2.0; 0 when it cannot be told
    CFDictArray* clipList;     // owned; the clip list loaded for this menu, or NULL
    ClipListChanges* changes;  // owned; what this menu changed in clipList and has not saved, or NULL
    Boolean hasTextSelection;  // the host shows selected text
    Boolean keychainUnlocked;  // the clip keychain exists and is unlocked
};

struct AbstractCMPluginType {
    ContextualMenuInterfaceStruct* interfaceTable;  // always sInterfaceStruct
    CFUUIDRef factoryID;                            // retained; NULL when made without a factory
    UInt32 refCount;                                // interface references
    CFBundleRef bundle;                             // retained; the plug-in's own bundle, or NULL
    CMPluginImplData implData;
};

// The interface table that every instance points at.
extern ContextualMenuInterfaceStruct sInterfaceStruct;

// Command names are written as string references from 10.2 on, as UTF-16 text before.
inline bool UsesCFStringNames(const AbstractCMPluginType* instance)
{
    return instance->implData.systemVersion >= 0x1020;
}

// A new instance record with one reference, registered with factoryID when one is given; NULL
// when no memory can be had.
AbstractCMPluginType* AllocAbstractCMPluginType(CFUUIDRef factoryID);
void DeallocAbstractCMPluginType(AbstractCMPluginType* instance);

HRESULT AbstractCMPluginQueryInterface(void* thisInstance, REFIID iid, LPVOID* ppv);
ULONG AbstractCMPluginAddRef(void* thisInstance);
ULONG AbstractCMPluginRelease(void* thisInstance);

OSStatus CMPluginExamineContext(void* thisInstance, const AEDesc* inContext, AEDescList* outCommandPairs);
OSStatus CMPluginHandleSelection(void* thisInstance, AEDesc* inContext, SInt32 inCommandID);
void CMPluginPostMenuCleanup(void* thisInstance);

// The exported factory: makes an instance for the contextual-menu type, NULL for any other.
extern "C" __attribute__((visibility("default"))) void* AbstractCMPluginFactory(CFAllocatorRef allocator,
                                                                                CFUUIDRef typeID);
