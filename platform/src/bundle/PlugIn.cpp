// Plug-ins: a bundle whose Info.plist declares factories (CFPlugInFactories) and the types they
// make (CFPlugInTypes), instances made through those factories, and the per-factory instance
// counts that keep a plug-in's code loaded.
#include "bundle/BundleError.h"
#include "bundle/BundleObject.h"
#include "bundle/BundleRegistry.h"
#include "cf/StringObject.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFPlugIn.h>
#include <PlatformHost.h>

#include <optional>

extern "C" {
const CFStringRef kCFPlugInFactoriesKey = CFSTR("CFPlugInFactories");
const CFStringRef kCFPlugInTypesKey = CFSTR("CFPlugInTypes");
}

namespace platform {
namespace {

// What a plug-in's Info.plist declares, until the plug-in takes it.
struct Declarations {
    std::vector<FactoryEntry> factories;
    std::vector<TypeEntry> types;
};

std::optional<UUIDKey> ParseUUIDKey(const void* value)
{
    if (!IsType(value, kStringTypeID)) {
        return std::nullopt;
    }
    CFOwner<CFUUIDRef> uuid = AdoptCF(CFUUIDCreateFromString(nullptr, static_cast<CFStringRef>(value)));
    if (!uuid) {
        return std::nullopt;
    }
    return KeyOfUUID(uuid.Get());
}

std::string Quoted(const void* value)
{
    return IsType(value, kStringTypeID) ? "\"" + StringToUTF8(static_cast<CFStringRef>(value)) + "\""
                                        : std::string("(not a string)");
}

std::vector<std::pair<const void*, const void*>> Entries(CFDictionaryRef dictionary)
{
    CFIndex count = CFDictionaryGetCount(dictionary);
    std::vector<const void*> keys(static_cast<size_t>(count));
    std::vector<const void*> values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
    std::vector<std::pair<const void*, const void*>> entries;
    for (size_t i = 0; i < keys.size(); ++i) {
        entries.emplace_back(keys[i], values[i]);
    }
    return entries;
}

bool ReadFactories(const OpaqueCFBundle* bundle, Declarations& out, std::string& reason)
{
    const std::string plist = bundle->InfoPlistPath();
    const void* declared = CFDictionaryGetValue(bundle->info.Get(), kCFPlugInFactoriesKey);
    if (declared == nullptr) {
        return true;
    }
    if (!IsType(declared, kDictionaryTypeID)) {
        reason = "CFPlugInFactories in " + plist + " is not a dictionary";
        return false;
    }
    for (auto [key, value] : Entries(static_cast<CFDictionaryRef>(declared))) {
        std::optional<UUIDKey> factory = ParseUUIDKey(key);
        if (!factory) {
            reason = "factory " + Quoted(key) + " in " + plist + " is not a UUID";
            return false;
        }
        if (!IsType(value, kStringTypeID) || CFStringGetLength(static_cast<CFStringRef>(value)) == 0) {
            reason = "factory " + UUIDKeyText(*factory) + " in " + plist + " names no function";
            return false;
        }
        CFOwner<CFUUIDRef> uuid = AdoptCF(CFUUIDCreateFromString(nullptr, static_cast<CFStringRef>(key)));
        if (!uuid) {
            reason = "out of memory reading " + plist;
            return false;
        }
        out.factories.push_back(FactoryEntry{*factory, std::move(uuid), StringToUTF8(static_cast<CFStringRef>(value))});
    }
    return true;
}

bool ReadTypes(const OpaqueCFBundle* bundle, Declarations& out, std::string& reason)
{
    const std::string plist = bundle->InfoPlistPath();
    const void* declared = CFDictionaryGetValue(bundle->info.Get(), kCFPlugInTypesKey);
    if (declared == nullptr) {
        return true;
    }
    if (!IsType(declared, kDictionaryTypeID)) {
        reason = "CFPlugInTypes in " + plist + " is not a dictionary";
        return false;
    }
    for (auto [key, value] : Entries(static_cast<CFDictionaryRef>(declared))) {
        std::optional<UUIDKey> type = ParseUUIDKey(key);
        if (!type) {
            reason = "type " + Quoted(key) + " in " + plist + " is not a UUID";
            return false;
        }
        if (!IsType(value, kArrayTypeID)) {
            reason = "type " + UUIDKeyText(*type) + " in " + plist + " does not list its factories in an array";
            return false;
        }
        TypeEntry entry{*type, {}};
        auto factories = static_cast<CFArrayRef>(value);
        for (CFIndex i = 0; i < CFArrayGetCount(factories); ++i) {
            const void* item = CFArrayGetValueAtIndex(factories, i);
            std::optional<UUIDKey> factory = ParseUUIDKey(item);
            if (!factory) {
                reason = "factory " + Quoted(item) + " listed for type " + UUIDKeyText(*type) + " in " + plist +
                         " is not a UUID";
                return false;
            }
            bool isDeclared = false;
            for (const FactoryEntry& known : out.factories) {
                isDeclared = isDeclared || known.key == *factory;
            }
            if (!isDeclared) {
                reason = "factory " + UUIDKeyText(*factory) + " listed for type " + UUIDKeyText(*type) + " in " + plist +
                         " is not declared in CFPlugInFactories";
                return false;
            }
            entry.factories.push_back(*factory);
        }
        out.types.push_back(std::move(entry));
    }
    return true;
}

CFArrayRef CreateFactoryArray(const std::vector<CFOwner<CFUUIDRef>>& factories)
{
    std::vector<const void*> values;
    for (const CFOwner<CFUUIDRef>& factory : factories) {
        values.push_back(factory.Get());
    }
    return CFArrayCreate(nullptr, values.data(), static_cast<CFIndex>(values.size()), &kCFTypeArrayCallBacks);
}

}  // namespace

}  // namespace platform

using namespace platform;

extern "C" {

CFPlugInRef CFPlugInCreate(CFAllocatorRef allocator, CFURLRef plugInURL)
{
    CFOwner<CFBundleRef> bundle = AdoptCF(CFBundleCreate(allocator, plugInURL));
    if (!bundle) {
        return nullptr;
    }
    Declarations declarations;
    std::string reason;
    if (!ReadFactories(bundle.Get(), declarations, reason) || !ReadTypes(bundle.Get(), declarations, reason)) {
        SetBundleError(reason);
        return nullptr;
    }
    if (Result<void> registered = RegisterPlugIn(bundle.Get(), declarations.factories, declarations.types);
        !registered.Ok()) {
        SetBundleError(registered.Reason());
        return nullptr;
    }
    return bundle.LeakRef();
}

CFBundleRef CFPlugInGetBundle(CFPlugInRef plugIn)
{
    return AsBundle(plugIn, "CFPlugInGetBundle: not a plug-in");
}

CFArrayRef CFPlugInFindFactoriesForPlugInType(CFUUIDRef typeUUID)
{
    if (typeUUID == nullptr) {
        return CreateFactoryArray({});
    }
    return CreateFactoryArray(RetainFactoriesForType(KeyOfUUID(typeUUID), nullptr));
}

CFArrayRef CFPlugInFindFactoriesForPlugInTypeInPlugIn(CFUUIDRef typeUUID, CFPlugInRef plugIn)
{
    if (typeUUID == nullptr || plugIn == nullptr) {
        return CreateFactoryArray({});
    }
    return CreateFactoryArray(
        RetainFactoriesForType(KeyOfUUID(typeUUID), AsBundle(plugIn, "CFPlugInFindFactoriesForPlugInTypeInPlugIn")));
}

void* CFPlugInInstanceCreate(CFAllocatorRef allocator, CFUUIDRef factoryUUID, CFUUIDRef typeUUID)
{
    ClearBundleError();
    if (factoryUUID == nullptr) {
        SetBundleError("no factory given");
        return nullptr;
    }
    UUIDKey factory = KeyOfUUID(factoryUUID);
    std::string functionName;
    // The instance registers itself with its factory, which keeps the code loaded even when this is
    // the last reference on the plug-in.
    CFOwner<OpaqueCFBundle*> owner = AdoptCF(RetainFactoryOwner(factory, functionName));
    if (!owner) {
        SetBundleError("no open plug-in declares factory " + UUIDKeyText(factory));
        return nullptr;
    }
    void* instance = nullptr;
    if (CFBundleLoadExecutable(owner.Get())) {
        CFOwner<CFStringRef> name = AdoptCF(CreateStringFromUTF8(nullptr, functionName));
        auto function =
            reinterpret_cast<CFPlugInFactoryFunction>(CFBundleGetFunctionPointerForName(owner.Get(), name.Get()));
        if (function == nullptr) {
            Result<std::string> executable = ExecutableName(owner.Get());
            SetBundleError("factory function " + functionName + " not found in " +
                           ExecutablePath(owner.Get(), executable.Ok() ? executable.Value() : std::string()));
        } else {
            instance = function(allocator, typeUUID);
        }
    }
    return instance;
}

void CFPlugInAddInstanceForFactory(CFUUIDRef factoryID)
{
    if (factoryID != nullptr) {
        AddFactoryInstance(KeyOfUUID(factoryID));
    }
}

void CFPlugInRemoveInstanceForFactory(CFUUIDRef factoryID)
{
    if (factoryID != nullptr) {
        RemoveFactoryInstance(KeyOfUUID(factoryID));
    }
}

CFIndex PlatformPlugInInstanceCount(CFUUIDRef factoryID)
{
    return factoryID != nullptr ? FactoryInstanceCount(KeyOfUUID(factoryID)) : 0;
}

}  // extern "C"
