// Loading a bundle's executable with dlopen, finding its functions, and unloading it only when
// none of its code can still be running.
#include "bundle/BundleError.h"
#include "bundle/BundleObject.h"
#include "bundle/BundleRegistry.h"
#include "cf/StringObject.h"

#include <CoreFoundation/CFDictionary.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace platform {

Result<std::string> ExecutableName(const OpaqueCFBundle* bundle)
{
    const void* value = CFDictionaryGetValue(bundle->info.Get(), kCFBundleExecutableKey);
    if (!IsType(value, kStringTypeID) || CFStringGetLength(static_cast<CFStringRef>(value)) == 0) {
        return Failure{fnfErr, 0, "no CFBundleExecutable in " + bundle->InfoPlistPath()};
    }
    std::string name = StringToUTF8(static_cast<CFStringRef>(value));
    // The executable is a file in Contents/Linux; a name that climbs out of the bundle would load
    // code from anywhere.
    if (name.find('/') != std::string::npos || name == "." || name == ".." ||
        name.find('\0') != std::string::npos) {
        return Failure{bdNamErr, 0, "CFBundleExecutable \"" + name + "\" in " + bundle->InfoPlistPath() + " is not a file name"};
    }
    return name;
}

std::string ExecutablePath(const OpaqueCFBundle* bundle, const std::string& name)
{
    return bundle->path + "/Contents/Linux/" + name + ".so";
}

void UnloadExecutableIfUnused(OpaqueCFBundle* bundle)
{
    std::lock_guard<std::mutex> lock(bundle->executableMutex);
    // An instance still alive runs code of the executable: unmapping it would crash the next call.
    // The library then stays loaded until the process ends.
    if (bundle->handle == nullptr || BundleHasLiveInstances(bundle)) {
        return;
    }
    ::dlclose(bundle->handle);
    bundle->handle = nullptr;
}

}  // namespace platform

using namespace platform;

extern "C" {

Boolean CFBundleLoadExecutable(CFBundleRef bundle)
{
    OpaqueCFBundle* object = AsBundle(bundle, "CFBundleLoadExecutable: not a bundle");
    ClearBundleError();
    std::lock_guard<std::mutex> lock(object->executableMutex);
    if (object->handle != nullptr) {
        return true;
    }
    Result<std::string> name = ExecutableName(object);
    if (!name.Ok()) {
        SetBundleError(name.Reason());
        return false;
    }
    std::string path = ExecutablePath(object, name.Value());
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) {
        SetBundleError("no executable at " + path + ": " + std::strerror(errno));
        return false;
    }
    object->handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (object->handle == nullptr) {
        const char* why = ::dlerror();
        SetBundleError("cannot load " + path + ": " + (why != nullptr ? why : "unknown error"));
        return false;
    }
    return true;
}

Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle)
{
    OpaqueCFBundle* object = AsBundle(bundle, "CFBundleIsExecutableLoaded: not a bundle");
    std::lock_guard<std::mutex> lock(object->executableMutex);
    return object->handle != nullptr;
}

void CFBundleUnloadExecutable(CFBundleRef bundle)
{
    UnloadExecutableIfUnused(AsBundle(bundle, "CFBundleUnloadExecutable: not a bundle"));
}

void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName)
{
    OpaqueCFBundle* object = AsBundle(bundle, "CFBundleGetFunctionPointerForName: not a bundle");
    if (functionName == nullptr || !CFBundleLoadExecutable(bundle)) {
        return nullptr;
    }
    std::string name = StringToUTF8(functionName);
    std::lock_guard<std::mutex> lock(object->executableMutex);
    if (object->handle == nullptr) {
        return nullptr;
    }
    return ::dlsym(object->handle, name.c_str());
}

}  // extern "C"
