// Finding a bundle's resources and localized strings: the user's language folders first, then
// English.lproj, then the Resources folder itself.
#include "bundle/BundleObject.h"
#include "bundle/Languages.h"
#include "cf/StringObject.h"
#include "cf/URLObject.h"

#include <sys/stat.h>

namespace platform {
namespace {

// The folders a resource is looked for in, best first.
std::vector<std::string> ResourceFolders(const OpaqueCFBundle* bundle)
{
    std::vector<std::string> folders;
    const std::string resources = bundle->ResourcesPath();
    for (const std::string& language : PreferredLanguageFolders()) {
        folders.push_back(resources + "/" + language + ".lproj");
    }
    folders.push_back(resources + "/English.lproj");
    folders.push_back(resources);
    return folders;
}

// The parsed table at path, parsed once per bundle. A missing file gives NULL, remembered too, so
// that a menu asking for many strings reads each file at most once. A damaged file still gives
// the entries before the damage.
std::shared_ptr<const StringsTable> TableAt(OpaqueCFBundle* bundle, const std::string& path)
{
    {
        std::lock_guard<std::mutex> lock(bundle->stringsMutex);
        auto found = bundle->tables.find(path);
        if (found != bundle->tables.end()) {
            return found->second;
        }
    }
    std::shared_ptr<const StringsTable> table;
    StringsParseResult parsed;
    if (ReadStringsFile(path, parsed)) {
        table = std::make_shared<const StringsTable>(std::move(parsed.entries));
    }
    std::lock_guard<std::mutex> lock(bundle->stringsMutex);
    return bundle->tables.emplace(path, std::move(table)).first->second;
}

bool IsPlainName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

CFStringRef CopyOf(CFStringRef string)
{
    return CreateStringFromUTF16(nullptr, string != nullptr ? StringUnits(string) : std::u16string());
}

}  // namespace

}  // namespace platform

using namespace platform;

extern "C" {

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType,
                                 CFStringRef subDirName)
{
    OpaqueCFBundle* object = AsBundle(bundle, "CFBundleCopyResourceURL: not a bundle");
    if (resourceName == nullptr) {
        return nullptr;
    }
    std::string relative;
    if (subDirName != nullptr && CFStringGetLength(subDirName) > 0) {
        relative = StringToUTF8(subDirName) + "/";
    }
    relative += StringToUTF8(resourceName);
    if (resourceType != nullptr && CFStringGetLength(resourceType) > 0) {
        relative += "." + StringToUTF8(resourceType);
    }
    for (const std::string& folder : ResourceFolders(object)) {
        std::string path = folder + "/" + relative;
        struct stat info{};
        if (::stat(path.c_str(), &info) == 0) {
            return CreateURLFromPath(nullptr, path, S_ISDIR(info.st_mode));
        }
    }
    return nullptr;
}

CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value, CFStringRef tableName)
{
    // What is answered when no table has the key: the value, or the key when there is no value.
    CFStringRef fallback = value != nullptr && CFStringGetLength(value) > 0 ? value : key;
    if (bundle == nullptr || key == nullptr) {
        return CopyOf(fallback != nullptr ? fallback : value);
    }
    OpaqueCFBundle* object = AsBundle(bundle, "CFBundleCopyLocalizedString: not a bundle");
    std::string table = tableName != nullptr && CFStringGetLength(tableName) > 0 ? StringToUTF8(tableName)
                                                                                  : std::string("Localizable");
    if (!IsPlainName(table)) {
        return CopyOf(fallback);
    }
    const std::u16string& wanted = StringUnits(key);
    // Each folder is asked for the key in turn, so a translation that lacks a few keys still
    // shows the English text for those.
    for (const std::string& folder : ResourceFolders(object)) {
        std::shared_ptr<const StringsTable> strings = TableAt(object, folder + "/" + table + ".strings");
        if (strings == nullptr) {
            continue;
        }
        auto found = strings->find(wanted);
        if (found != strings->end()) {
            return CreateStringFromUTF16(nullptr, found->second);
        }
    }
    return CopyOf(fallback);
}

}  // extern "C"
