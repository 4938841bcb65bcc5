// Helpers shared by the clipboard tests: a fresh clipboard per test, and short ways to put and read
// flavors.
#pragma once

#include "support/TempDir.h"

#include <Carbon/Scrap.h>
#include <CoreFoundation/CoreFoundation.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scraptest {

// The reason the last Scrap Manager call on this thread gave for failing ("" when it succeeded).
inline std::string LastClipboardError()
{
    CFStringRef reason = PlatformCopyLastClipboardError();
    if (reason == nullptr) {
        return "";
    }
    char text[1024] = {};
    CFStringGetCString(reason, text, sizeof text, kCFStringEncodingUTF8);
    CFRelease(reason);
    return text;
}

inline OSStatus PutString(ScrapRef scrap, ScrapFlavorType type, const std::string& bytes, ScrapFlavorFlags flags = 0)
{
    return PutScrapFlavor(scrap, type, flags, static_cast<Size>(bytes.size()), bytes.data());
}

// The whole flavor as bytes; "<status N>" when a call fails, so a comparison shows what went wrong.
inline std::string ReadFlavor(ScrapRef scrap, ScrapFlavorType type)
{
    Size size = 0;
    OSStatus status = GetScrapFlavorSize(scrap, type, &size);
    if (status != noErr) {
        return "<status " + std::to_string(status) + ">";
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    Size count = size;
    status = GetScrapFlavorData(scrap, type, &count, bytes.data());
    if (status != noErr || count != size) {
        return "<status " + std::to_string(status) + ", " + std::to_string(count) + " bytes>";
    }
    return bytes;
}

inline std::vector<ScrapFlavorInfo> FlavorList(ScrapRef scrap)
{
    UInt32 count = 0;
    if (GetScrapFlavorCount(scrap, &count) != noErr) {
        return {};
    }
    std::vector<ScrapFlavorInfo> info(count);
    if (GetScrapFlavorInfoList(scrap, &count, info.data()) != noErr) {
        return {};
    }
    info.resize(count);
    return info;
}

// Each test gets a clipboard of its own in a fresh XDG_RUNTIME_DIR.
class ClipboardTest : public testing::Test {
protected:
    std::string ClipboardFolder() const { return mStorage.RuntimeDir() + "/clipboard"; }
    // The current generation's folder, through the "current" link.
    std::string CurrentGenerationFolder() const { return ClipboardFolder() + "/current"; }

    ScrapRef CurrentScrap()
    {
        ScrapRef scrap = nullptr;
        EXPECT_EQ(GetCurrentScrap(&scrap), noErr) << LastClipboardError();
        return scrap;
    }

    testsupport::ScopedStorageEnvironment mStorage;
};

}  // namespace scraptest
