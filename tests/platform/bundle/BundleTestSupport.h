// Helpers for the URL, bundle and plug-in tests: the platform's scoped owner, string conversions,
// a locale that is restored afterwards, and a bundle folder written file by file.
#pragma once

#include "CFOwner.h"
#include "support/CFText.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bundletest {

using platform::AdoptCF;
using platform::CFOwner;

// A new string (+1) from UTF-8.
inline CFStringRef MakeString(const std::string& text)
{
    return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                                   static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
}

using testsupport::TakeText;
using testsupport::TextOf;

inline CFURLRef MakeURL(const std::string& path, bool isDirectory)
{
    auto text = AdoptCF(MakeString(path));
    return CFURLCreateWithFileSystemPath(nullptr, text.Get(), kCFURLPOSIXPathStyle, isDirectory);
}

inline std::string PathOf(CFURLRef url)
{
    return TakeText(CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle));
}

inline std::string LastComponentOf(CFURLRef url)
{
    return url != nullptr ? TakeText(CFURLCopyLastPathComponent(url)) : std::string("(null)");
}

// Sets the locale variables the bundle code reads (empty means unset) and restores them.
class ScopedLocale {
public:
    ScopedLocale(const std::string& lang, const std::string& lcMessages = "", const std::string& lcAll = "")
        : mLang("LANG", Value(lang)), mMessages("LC_MESSAGES", Value(lcMessages)), mAll("LC_ALL", Value(lcAll))
    {
    }

private:
    static std::optional<std::string> Value(const std::string& value)
    {
        return value.empty() ? std::nullopt : std::optional<std::string>(value);
    }
    testsupport::ScopedVariable mLang, mMessages, mAll;
};

// Writes a file, making the folders it needs.
inline void WriteBundleFile(const std::string& path, const std::string& contents)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    testsupport::WriteFile(path, contents);
}

// An Info.plist in the original platform's layout, with the given body inside the dictionary.
inline std::string InfoPlist(const std::string& dictionaryBody)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n" +
           dictionaryBody + "</dict>\n</plist>\n";
}

}  // namespace bundletest
