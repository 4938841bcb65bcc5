#include "manager/PlugInLoader.h"

#include "common/TextConversion.h"

#include <PlatformHost.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace cmhost {
namespace {

namespace fs = std::filesystem;

// Holds the reference to an instance's IUnknown that CFPlugInInstanceCreate hands over.
class ScopedUnknown {
public:
    explicit ScopedUnknown(void* instance) : mUnknown(static_cast<IUnknownVTbl**>(instance)) {}
    ~ScopedUnknown()
    {
        if (mUnknown)
            (*mUnknown)->Release(mUnknown);
    }
    ScopedUnknown(const ScopedUnknown&) = delete;
    ScopedUnknown& operator=(const ScopedUnknown&) = delete;

    IUnknownVTbl** Get() const { return mUnknown; }

private:
    IUnknownVTbl** mUnknown;
};

bool IsBundleFolder(const fs::path& folder)
{
    std::error_code ignored;
    return folder.extension() == ".plugin" || fs::is_directory(folder / "Contents", ignored);
}

std::string LastBundleError(const char* fallback)
{
    platform::CFOwner<CFStringRef> reason = platform::AdoptCF(PlatformCopyLastBundleError());
    return reason ? UTF8FromString(reason.Get()) : fallback;
}

std::string UUIDText(CFUUIDRef uuid)
{
    platform::CFOwner<CFStringRef> text = platform::AdoptCF(CFUUIDCreateString(kCFAllocatorDefault, uuid));
    return UTF8FromString(text.Get());
}

// The function name that the Info.plist gives for the factory; empty when it gives none.
std::string FactoryFunctionName(CFBundleRef bundle, CFUUIDRef factory)
{
    CFTypeRef factories = CFBundleGetValueForInfoDictionaryKey(bundle, kCFPlugInFactoriesKey);
    if (!factories || CFGetTypeID(factories) != CFDictionaryGetTypeID())
        return {};
    CFDictionaryRef dictionary = static_cast<CFDictionaryRef>(factories);
    CFIndex count = CFDictionaryGetCount(dictionary);
    std::vector<const void*> keys(static_cast<size_t>(count));
    std::vector<const void*> values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
    for (CFIndex i = 0; i < count; ++i) {
        if (CFGetTypeID(keys[i]) != CFStringGetTypeID())
            continue;
        platform::CFOwner<CFUUIDRef> key = platform::AdoptCF(
            CFUUIDCreateFromString(kCFAllocatorDefault, static_cast<CFStringRef>(keys[i])));
        if (!key || !CFEqual(key.Get(), factory))
            continue;
        if (!values[i] || CFGetTypeID(values[i]) != CFStringGetTypeID())
            return {};
        return UTF8FromString(static_cast<CFStringRef>(values[i]));
    }
    return {};
}

// Makes the instance of one factory and asks it for the contextual-menu interface.
std::unique_ptr<PlugInInstance> CreateInstance(const platform::CFOwner<CFPlugInRef>& plugIn, CFUUIDRef factory,
                                               const std::string& path, std::string* error)
{
    CFBundleRef bundle = CFPlugInGetBundle(plugIn.Get());
    std::string factoryText = UUIDText(factory);
    std::string functionName = FactoryFunctionName(bundle, factory);
    if (functionName.empty()) {
        *error = path + ": the Info.plist names no factory function for factory " + factoryText;
        return nullptr;
    }
    if (!CFBundleLoadExecutable(bundle)) {
        *error = path + ": cannot load the executable: " + LastBundleError("no reason given");
        return nullptr;
    }
    platform::CFOwner<CFStringRef> functionString = CreateStringFromUTF8(functionName);
    if (!functionString || !CFBundleGetFunctionPointerForName(bundle, functionString.Get())) {
        *error = path + ": the factory function " + functionName + " is missing from the executable";
        return nullptr;
    }

    CFIndex registeredBefore = PlatformPlugInInstanceCount(factory);
    ScopedUnknown unknown(CFPlugInInstanceCreate(kCFAllocatorDefault, factory, kContextualMenuTypeID));
    if (!unknown.Get()) {
        *error = path + ": the factory function " + functionName + " answered no instance";
        return nullptr;
    }
    ContextualMenuInterfaceStruct** interface = nullptr;
    HRESULT answer = (*unknown.Get())->QueryInterface(unknown.Get(), CFUUIDGetUUIDBytes(kContextualMenuInterfaceID),
                                                      reinterpret_cast<LPVOID*>(&interface));
    if (FAILED(answer) || !interface) {
        *error = path + ": the instance does not answer the contextual-menu interface";
        return nullptr;
    }
    auto instance = std::make_unique<PlugInInstance>(platform::RetainCF(plugIn.Get()), interface, path);
    // An instance that registered under another factory would keep that factory's code loaded
    // while the host believes the declared one is in use.
    if (PlatformPlugInInstanceCount(factory) <= registeredBefore) {
        *error = path + ": the instance did not register under its declared factory " + factoryText;
        return nullptr;
    }
    return instance;
}

std::string LoadBundle(const fs::path& folder, std::vector<std::unique_ptr<PlugInInstance>>& instances)
{
    const std::string path = folder.string();
    std::error_code status;
    if (!fs::is_directory(folder, status))
        return "bundle missing: " + path;
    if (!fs::is_regular_file(folder / "Contents" / "Info.plist", status))
        return path + ": Contents/Info.plist is missing";

    platform::CFOwner<CFURLRef> url = platform::AdoptCF(CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(path.data()), static_cast<CFIndex>(path.size()), true));
    if (!url)
        return "cannot make a URL of " + path;
    platform::CFOwner<CFPlugInRef> plugIn = platform::AdoptCF(CFPlugInCreate(kCFAllocatorDefault, url.Get()));
    if (!plugIn)
        return path + ": cannot open the bundle: " + LastBundleError("its Info.plist is unreadable");

    platform::CFOwner<CFArrayRef> factories = platform::AdoptCF(
        CFPlugInFindFactoriesForPlugInTypeInPlugIn(kContextualMenuTypeID, plugIn.Get()));
    CFIndex count = factories ? CFArrayGetCount(factories.Get()) : 0;
    if (count == 0)
        return path + ": no factory for the contextual-menu type";
    for (CFIndex i = 0; i < count; ++i) {
        std::string error;
        auto factory = static_cast<CFUUIDRef>(CFArrayGetValueAtIndex(factories.Get(), i));
        std::unique_ptr<PlugInInstance> instance = CreateInstance(plugIn, factory, path, &error);
        if (!instance)
            return error;
        instances.push_back(std::move(instance));
    }
    return {};
}

}  // namespace

std::string DefaultPlugInsFolder()
{
    // An installed cmhost (<prefix>/bin) finds the bundle installed with it (<prefix>/lib/stashwell);
    // one run from the build folder finds the build's bundle.
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        fs::path installed = self.parent_path().parent_path() / "lib" / "stashwell" / "Stashwell.plugin";
        if (fs::is_directory(installed, error))
            return installed.string();
    }
    return std::string(STASHWELL_DEFAULT_PLUGINS) + "/Stashwell.plugin";
}

LoadedPlugIns LoadPlugIns(const std::string& folderText)
{
    LoadedPlugIns result;
    fs::path folder(folderText);
    std::error_code status;
    std::vector<fs::path> bundles;
    if (IsBundleFolder(folder) || !fs::is_directory(folder, status)) {
        bundles.push_back(folder);
    } else {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, status)) {
            if (entry.path().extension() == ".plugin")
                bundles.push_back(entry.path());
        }
        if (status) {
            result.error = "cannot list " + folderText + ": " + status.message();
            return result;
        }
        std::sort(bundles.begin(), bundles.end());
        if (bundles.empty()) {
            result.error = "no *.plugin bundles in " + folderText;
            return result;
        }
    }
    for (const fs::path& bundle : bundles) {
        result.error = LoadBundle(bundle, result.instances);
        if (!result.error.empty()) {
            result.instances.clear();
            return result;
        }
    }
    return result;
}

}  // namespace cmhost
