// Plug-ins: bundles whose Info.plist names factory functions (CFPlugInFactories: factory UUID ->
// function name) and the types they make (CFPlugInTypes: type UUID -> array of factory UUIDs).
#pragma once

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFUUID.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef CFBundleRef CFPlugInRef;

// The signature of a factory function: makes an instance of typeUUID, or NULL.
typedef void* (*CFPlugInFactoryFunction)(CFAllocatorRef allocator, CFUUIDRef typeUUID);

extern const CFStringRef kCFPlugInFactoriesKey;
extern const CFStringRef kCFPlugInTypesKey;

// The bundle (+1) as a plug-in: its factories and types are registered.
CFPlugInRef CFPlugInCreate(CFAllocatorRef allocator, CFURLRef plugInURL);
CFBundleRef CFPlugInGetBundle(CFPlugInRef plugIn);
// The factory UUIDs that the open plug-ins declare for the type (+1), in declaration order.
CFArrayRef CFPlugInFindFactoriesForPlugInType(CFUUIDRef typeUUID);
CFArrayRef CFPlugInFindFactoriesForPlugInTypeInPlugIn(CFUUIDRef typeUUID, CFPlugInRef plugIn);
// Loads the factory's plug-in if needed, calls its factory function for the type and returns what
// it made (the first interface of the new instance), or NULL.
void* CFPlugInInstanceCreate(CFAllocatorRef allocator, CFUUIDRef factoryUUID, CFUUIDRef typeUUID);

// Instances register themselves with the factory that made them; a plug-in with registered
// instances is never unloaded.
void CFPlugInAddInstanceForFactory(CFUUIDRef factoryID);
void CFPlugInRemoveInstanceForFactory(CFUUIDRef factoryID);

#ifdef __cplusplus
}
#endif
