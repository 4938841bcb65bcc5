// The process-wide tables of open bundles, registered plug-in factories and live instances. The
// tables never own a bundle: a bundle leaves them when it is finalized.
#pragma once

#include "bundle/BundleObject.h"

#include <string>
#include <vector>

namespace platform {

// The open bundle of a folder (retained, +1), or NULL.
OpaqueCFBundle* RetainBundleAtPath(const std::string& path);
// Enters a new bundle under its folder and identifier. When another thread entered the same
// folder first, that bundle is returned retained instead (the caller releases its own);
// otherwise bundle itself.
OpaqueCFBundle* RegisterBundle(OpaqueCFBundle* bundle);
// Removes every entry that names the bundle: called from its finalizer.
void UnregisterBundle(OpaqueCFBundle* bundle);
// Borrowed; NULL when no open bundle has the identifier.
OpaqueCFBundle* BundleWithIdentifier(const std::u16string& identifier);

// Gives the bundle its factories and types, unless it already has them (a success, nothing changed).
// A failure when a factory is already registered by another open plug-in.
Result<void> RegisterPlugIn(OpaqueCFBundle* bundle, std::vector<FactoryEntry>& factories,
                            std::vector<TypeEntry>& types);

// The plug-in declaring a factory (retained, +1) and its function name, or NULL.
OpaqueCFBundle* RetainFactoryOwner(const UUIDKey& factory, std::string& functionName);
// The factory UUIDs declared for a type, each with a reference of its own, plug-ins in the order they were
// opened, each in declaration order. onlyIn limits the search to one plug-in when not NULL.
std::vector<CFOwner<CFUUIDRef>> RetainFactoriesForType(const UUIDKey& type, const OpaqueCFBundle* onlyIn);

void AddFactoryInstance(const UUIDKey& factory);
void RemoveFactoryInstance(const UUIDKey& factory);
long FactoryInstanceCount(const UUIDKey& factory);
// True when an instance of any of the bundle's factories is alive.
bool BundleHasLiveInstances(const OpaqueCFBundle* bundle);

}  // namespace platform
