// The bundle object: its folder, its Info.plist, its loaded executable, its plug-in registration
// and its cache of localisation tables. A plug-in is the same object as its bundle.
#pragma once

#include "base/CFOwner.h"
#include "base/Result.h"
#include "bundle/StringsFile.h"
#include "cf/Runtime.h"

#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFUUID.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

// The 16 bytes of a UUID, usable as a map key without asking the UUID object.
using UUIDKey = std::array<std::uint8_t, 16>;

struct UUIDKeyHash {
    size_t operator()(const UUIDKey& key) const noexcept;
};

UUIDKey KeyOfUUID(CFUUIDRef uuid);
// "68753A44-4D6F-1226-9C60-0050E4C00067", for messages.
std::string UUIDKeyText(const UUIDKey& key);

struct FactoryEntry {
    UUIDKey key{};
    CFOwner<CFUUIDRef> uuid;
    std::string functionName;
};

struct TypeEntry {
    UUIDKey type{};
    std::vector<UUIDKey> factories;  // in the order the Info.plist lists them
};

}  // namespace platform

struct OpaqueCFBundle : platform::RuntimeBase {
    OpaqueCFBundle(std::string folder, platform::CFOwner<CFURLRef> folderURL,
                   platform::CFOwner<CFDictionaryRef> infoDictionary);

    std::string path;                             // the bundle folder, symbolic links resolved
    platform::CFOwner<CFURLRef> url;              // a folder URL of path
    platform::CFOwner<CFDictionaryRef> info;      // Info.plist
    CFStringRef identifier = nullptr;             // borrowed from info; NULL when there is none

    // Guarded by executableMutex.
    mutable std::mutex executableMutex;
    void* handle = nullptr;

    // Written once by CFPlugInCreate, under the registry's lock; read under it.
    bool isPlugIn = false;
    std::vector<platform::FactoryEntry> factories;
    std::vector<platform::TypeEntry> types;

    // Parsed tables by file path; a NULL table records a file that is not there. Guarded by
    // stringsMutex.
    std::mutex stringsMutex;
    std::unordered_map<std::string, std::shared_ptr<const platform::StringsTable>> tables;

    std::string InfoPlistPath() const { return path + "/Contents/Info.plist"; }
    std::string ResourcesPath() const { return path + "/Contents/Resources"; }
};

namespace platform {

extern const RuntimeClass kBundleClass;

// The bundle behind a reference; aborts when it is not a bundle.
OpaqueCFBundle* AsBundle(CFBundleRef bundle, const char* caller);

// Adds a reference unless the object is already being finalized (its count reached 0).
bool TryRetain(RuntimeBase* object);

// The executable's file name from Info.plist; a failure when it is missing or would name a file
// outside Contents/Linux.
Result<std::string> ExecutableName(const OpaqueCFBundle* bundle);
std::string ExecutablePath(const OpaqueCFBundle* bundle, const std::string& name);

// Unloads the executable when no instance of the bundle's factories is alive.
void UnloadExecutableIfUnused(OpaqueCFBundle* bundle);

}  // namespace platform
