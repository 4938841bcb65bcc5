// Opening bundles: the folder, its Info.plist, the process-wide registration, and the accessors
// of what Info.plist says.
#include "bundle/BundleObject.h"

#include "bundle/BundleError.h"
#include "bundle/BundleRegistry.h"
#include "base/RegularFile.h"
#include "cf/StringObject.h"
#include "cf/URLObject.h"

#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFPropertyList.h>

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
const CFStringRef kCFBundleIdentifierKey = CFSTR("CFBundleIdentifier");
const CFStringRef kCFBundleExecutableKey = CFSTR("CFBundleExecutable");
const CFStringRef kCFBundleNameKey = CFSTR("CFBundleName");
const CFStringRef kCFBundleVersionKey = CFSTR("CFBundleVersion");
const CFStringRef kCFBundleInfoDictionaryVersionKey = CFSTR("CFBundleInfoDictionaryVersion");
}

OpaqueCFBundle::OpaqueCFBundle(std::string folder, platform::CFOwner<CFURLRef> folderURL,
                               platform::CFOwner<CFDictionaryRef> infoDictionary)
    : path(std::move(folder)), url(std::move(folderURL)), info(std::move(infoDictionary))
{
    const void* value = CFDictionaryGetValue(info.Get(), kCFBundleIdentifierKey);
    if (platform::IsType(value, platform::kStringTypeID)) {
        identifier = static_cast<CFStringRef>(value);
    }
}

namespace platform {
namespace {

// Info.plist is small; anything near this size is not a bundle's.
constexpr size_t kMaxInfoPlistBytes = 16 * 1024 * 1024;

void FinalizeBundle(RuntimeBase* object)
{
    auto* bundle = static_cast<OpaqueCFBundle*>(object);
    UnregisterBundle(bundle);
    UnloadExecutableIfUnused(bundle);
    bundle->~OpaqueCFBundle();
}

std::string DescribeBundle(const RuntimeBase* object)
{
    const auto* bundle = static_cast<const OpaqueCFBundle*>(object);
    std::string text = "<CFBundle " + bundle->path;
    if (bundle->identifier != nullptr) {
        text += " (" + StringToUTF8(bundle->identifier) + ")";
    }
    std::lock_guard<std::mutex> lock(bundle->executableMutex);
    return text + (bundle->handle != nullptr ? ", loaded>" : ", not loaded>");
}

// Reads and parses Info.plist, or NULL with the reason set.
CFOwner<CFDictionaryRef> CopyInfoDictionary(const std::string& plistPath)
{
    Result<std::string> read = ReadRegularFile(plistPath, kMaxInfoPlistBytes);
    if (!read.Ok()) {
        SetBundleError(read.Errno() == ENOENT ? "no Info.plist at " + plistPath : read.Reason());
        return {};
    }
    const std::string& bytes = read.Value();
    CFOwner<CFDataRef> data = AdoptCF(CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                                   static_cast<CFIndex>(bytes.size())));
    if (!data) {
        SetBundleError("out of memory reading " + plistPath);
        return {};
    }
    CFStringRef parseError = nullptr;
    CFOwner<CFPropertyListRef> root =
        AdoptCF(CFPropertyListCreateFromXMLData(nullptr, data.Get(), kCFPropertyListImmutable, &parseError));
    CFOwner<CFStringRef> parseErrorOwner = AdoptCF(parseError);
    if (!root) {
        SetBundleError("cannot read " + plistPath + ": " +
                       (parseError != nullptr ? StringToUTF8(parseError) : std::string("not a property list")));
        return {};
    }
    if (!IsType(root.Get(), kDictionaryTypeID)) {
        SetBundleError(plistPath + " does not hold a dictionary");
        return {};
    }
    const void* identifier = CFDictionaryGetValue(static_cast<CFDictionaryRef>(root.Get()), kCFBundleIdentifierKey);
    if (identifier != nullptr && !IsType(identifier, kStringTypeID)) {
        SetBundleError("CFBundleIdentifier in " + plistPath + " is not a string");
        return {};
    }
    return AdoptCF(static_cast<CFDictionaryRef>(root.LeakRef()));
}

}  // namespace

const RuntimeClass kBundleClass{kBundleTypeID, "CFBundle", &FinalizeBundle, nullptr, nullptr, &DescribeBundle};

OpaqueCFBundle* AsBundle(CFBundleRef bundle, const char* caller)
{
    if (!IsType(bundle, kBundleTypeID)) {
        FatalError(caller);
    }
    return bundle;
}

bool TryRetain(RuntimeBase* object)
{
    if (object->immortal) {
        return true;
    }
    long count = object->retainCount.load(std::memory_order_relaxed);
    while (count > 0) {
        if (object->retainCount.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel)) {
            return true;
        }
    }
    return false;
}

size_t UUIDKeyHash::operator()(const UUIDKey& key) const noexcept
{
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(key.data()), key.size()));
}

UUIDKey KeyOfUUID(CFUUIDRef uuid)
{
    CFUUIDBytes bytes = CFUUIDGetUUIDBytes(uuid);
    UUIDKey key{};
    std::memcpy(key.data(), &bytes, key.size());
    return key;
}

std::string UUIDKeyText(const UUIDKey& key)
{
    std::string text;
    char hex[3];
    for (size_t i = 0; i < key.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        std::snprintf(hex, sizeof hex, "%02X", key[i]);
        text += hex;
    }
    return text;
}

}  // namespace platform

using namespace platform;

extern "C" {

CFTypeID CFBundleGetTypeID(void)
{
    RegisterRuntimeClass(kBundleClass);
    return kBundleTypeID;
}

CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL)
{
    ClearBundleError();
    if (bundleURL == nullptr) {
        SetBundleError("no bundle folder given");
        return nullptr;
    }
    const std::string& given = URLPath(bundleURL);
    // Two spellings of one folder (a symbolic link, a ".." component) must give one bundle.
    char resolved[PATH_MAX];
    if (::realpath(given.c_str(), resolved) == nullptr) {
        SetBundleError("no bundle folder at " + given + ": " + std::strerror(errno));
        return nullptr;
    }
    std::string folder = resolved;
    struct stat info{};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetBundleError(given + " is not a folder");
        return nullptr;
    }
    if (OpaqueCFBundle* open = RetainBundleAtPath(folder)) {
        return open;
    }
    CFOwner<CFDictionaryRef> infoDictionary = CopyInfoDictionary(folder + "/Contents/Info.plist");
    if (!infoDictionary) {
        return nullptr;
    }
    CFOwner<CFURLRef> folderURL = AdoptCF(CreateURLFromPath(nullptr, folder, true));
    if (!folderURL) {
        SetBundleError("out of memory opening " + folder);
        return nullptr;
    }
    CFOwner<OpaqueCFBundle*> bundle = AdoptCF(CreateInstance<OpaqueCFBundle>(
        allocator, kBundleClass, folder, std::move(folderURL), std::move(infoDictionary)));
    if (!bundle) {
        SetBundleError("out of memory opening " + folder);
        return nullptr;
    }
    OpaqueCFBundle* registered = RegisterBundle(bundle.Get());
    if (registered == bundle.Get()) {
        return bundle.LeakRef();
    }
    // Another thread opened the same folder first: its bundle, retained, stands for ours.
    return registered;
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID)
{
    if (bundleID == nullptr) {
        return nullptr;
    }
    return BundleWithIdentifier(StringUnits(bundleID));
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle)
{
    return AsBundle(bundle, "CFBundleGetIdentifier: not a bundle")->identifier;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key)
{
    OpaqueCFBundle* object = AsBundle(bundle, "CFBundleGetValueForInfoDictionaryKey: not a bundle");
    return key != nullptr ? CFDictionaryGetValue(object->info.Get(), key) : nullptr;
}

}  // extern "C"
