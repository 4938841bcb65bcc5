// One lock guards every table. Nothing is released while it is held: releasing can finalize a
// bundle, and the finalizer takes the lock itself.
#include "bundle/BundleRegistry.h"

#include "cf/StringObject.h"

#include <algorithm>
#include <unordered_map>

namespace platform {
namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::string, OpaqueCFBundle*> byPath;
    std::unordered_map<std::u16string, OpaqueCFBundle*> byIdentifier;
    std::unordered_map<UUIDKey, OpaqueCFBundle*, UUIDKeyHash> factoryOwners;
    std::vector<OpaqueCFBundle*> plugIns;  // in the order they were opened
    std::unordered_map<UUIDKey, long, UUIDKeyHash> instanceCounts;
};

Registry& TheRegistry()
{
    // Never destroyed: bundles may be finalized by static destructors of other libraries.
    static auto* registry = new Registry();
    return *registry;
}

}  // namespace

OpaqueCFBundle* RetainBundleAtPath(const std::string& path)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto found = registry.byPath.find(path);
    if (found != registry.byPath.end() && TryRetain(found->second)) {
        return found->second;
    }
    return nullptr;
}

OpaqueCFBundle* RegisterBundle(OpaqueCFBundle* bundle)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto found = registry.byPath.find(bundle->path);
    if (found != registry.byPath.end() && found->second != bundle && TryRetain(found->second)) {
        return found->second;
    }
    registry.byPath[bundle->path] = bundle;
    if (bundle->identifier != nullptr) {
        // The first open bundle keeps an identifier; a second folder claiming it is still opened,
        // but lookups by identifier keep finding the first until it goes away.
        const std::u16string& identifier = StringUnits(bundle->identifier);
        auto owner = registry.byIdentifier.find(identifier);
        if (owner == registry.byIdentifier.end() || owner->second->retainCount.load() <= 0) {
            registry.byIdentifier[identifier] = bundle;
        }
    }
    return bundle;
}

void UnregisterBundle(OpaqueCFBundle* bundle)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto byPath = registry.byPath.find(bundle->path);
    if (byPath != registry.byPath.end() && byPath->second == bundle) {
        registry.byPath.erase(byPath);
    }
    if (bundle->identifier != nullptr) {
        auto byIdentifier = registry.byIdentifier.find(StringUnits(bundle->identifier));
        if (byIdentifier != registry.byIdentifier.end() && byIdentifier->second == bundle) {
            registry.byIdentifier.erase(byIdentifier);
        }
    }
    for (const FactoryEntry& factory : bundle->factories) {
        auto owner = registry.factoryOwners.find(factory.key);
        if (owner != registry.factoryOwners.end() && owner->second == bundle) {
            registry.factoryOwners.erase(owner);
        }
    }
    std::erase(registry.plugIns, bundle);
}

OpaqueCFBundle* BundleWithIdentifier(const std::u16string& identifier)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto found = registry.byIdentifier.find(identifier);
    // A bundle whose last reference is going is no longer handed out.
    if (found == registry.byIdentifier.end() || found->second->retainCount.load() <= 0) {
        return nullptr;
    }
    return found->second;
}

Result<void> RegisterPlugIn(OpaqueCFBundle* bundle, std::vector<FactoryEntry>& factories,
                            std::vector<TypeEntry>& types)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (bundle->isPlugIn) {
        return {};
    }
    for (const FactoryEntry& factory : factories) {
        auto owner = registry.factoryOwners.find(factory.key);
        if (owner != registry.factoryOwners.end() && owner->second != bundle) {
            return Failure{dupFNErr, 0,
                           "factory " + UUIDKeyText(factory.key) + " of " + bundle->path + " is already registered by " +
                               owner->second->path};
        }
    }
    for (const FactoryEntry& factory : factories) {
        registry.factoryOwners[factory.key] = bundle;
    }
    bundle->factories.swap(factories);
    bundle->types.swap(types);
    bundle->isPlugIn = true;
    registry.plugIns.push_back(bundle);
    return {};
}

OpaqueCFBundle* RetainFactoryOwner(const UUIDKey& factory, std::string& functionName)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto owner = registry.factoryOwners.find(factory);
    if (owner == registry.factoryOwners.end() || !TryRetain(owner->second)) {
        return nullptr;
    }
    for (const FactoryEntry& entry : owner->second->factories) {
        if (entry.key == factory) {
            functionName = entry.functionName;
        }
    }
    return owner->second;
}

std::vector<CFOwner<CFUUIDRef>> RetainFactoriesForType(const UUIDKey& type, const OpaqueCFBundle* onlyIn)
{
    std::vector<CFOwner<CFUUIDRef>> found;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const OpaqueCFBundle* plugIn : registry.plugIns) {
        if (onlyIn != nullptr && plugIn != onlyIn) {
            continue;
        }
        for (const TypeEntry& entry : plugIn->types) {
            if (entry.type != type) {
                continue;
            }
            for (const UUIDKey& key : entry.factories) {
                for (const FactoryEntry& factory : plugIn->factories) {
                    if (factory.key == key) {
                        found.push_back(factory.uuid);
                    }
                }
            }
        }
    }
    return found;
}

void AddFactoryInstance(const UUIDKey& factory)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    ++registry.instanceCounts[factory];
}

void RemoveFactoryInstance(const UUIDKey& factory)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto found = registry.instanceCounts.find(factory);
    // A remove without a matching add is a caller's mistake; it must not make a later instance
    // look absent and let its code be unloaded.
    if (found == registry.instanceCounts.end() || found->second <= 0) {
        return;
    }
    if (--found->second == 0) {
        registry.instanceCounts.erase(found);
    }
}

long FactoryInstanceCount(const UUIDKey& factory)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto found = registry.instanceCounts.find(factory);
    return found != registry.instanceCounts.end() ? found->second : 0;
}

bool BundleHasLiveInstances(const OpaqueCFBundle* bundle)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    return std::any_of(bundle->factories.begin(), bundle->factories.end(), [&registry](const FactoryEntry& entry) {
        auto found = registry.instanceCounts.find(entry.key);
        return found != registry.instanceCounts.end() && found->second > 0;
    });
}

}  // namespace platform
