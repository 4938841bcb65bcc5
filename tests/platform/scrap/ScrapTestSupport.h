// Helpers shared by the clipboard tests: a fresh clipboard per test, short ways to put and read
// flavors, and generations whose every word tells a torn one.
#pragma once

#include "support/TempDir.h"

#include <Carbon/Scrap.h>
#include <CoreFoundation/CoreFoundation.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// The bytes of UTF-16 text, as a 'utxt' flavor holds them.
inline std::string UTF16(const std::u16string& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

// Bytes of every value, NULs and high bytes included, in a repeating pattern.
inline std::string Binary(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    return bytes;
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

// Generations that show a torn one: flavor i of the generation tagged T holds size(T, i) bytes, every
// 8-byte word of them (T << 8) | i, and the flavors come in the order 0, 1, 2, ...
using FlavorSizes = size_t (*)(uint64_t tag, int index);

inline ScrapFlavorType TaggedFlavorType(int index)
{
    return 'tg00' + static_cast<ScrapFlavorType>(index);
}

inline uint64_t TaggedWord(uint64_t tag, int index)
{
    return (tag << 8) | static_cast<uint64_t>(index);
}

inline OSStatus PutTaggedFlavor(ScrapRef scrap, uint64_t tag, int index, FlavorSizes size)
{
    std::vector<uint64_t> words(size(tag, index) / 8, TaggedWord(tag, index));
    return PutScrapFlavor(scrap, TaggedFlavorType(index), 0, static_cast<Size>(words.size() * 8), words.data());
}

// What a reader sees of the current clipboard: the tag of its writer and how many of its flavors,
// or what is damaged.
struct TaggedGeneration {
    uint64_t tag = 0;
    int flavors = 0;
    std::string damage;
};

inline TaggedGeneration ReadTaggedGeneration(FlavorSizes size)
{
    TaggedGeneration seen;
    ScrapRef scrap = nullptr;
    UInt32 count = 0;
    if (GetCurrentScrap(&scrap) != noErr || GetScrapFlavorCount(scrap, &count) != noErr) {
        seen.damage = "no clipboard: " + LastClipboardError();
        return seen;
    }
    std::vector<ScrapFlavorInfo> info(count);
    if (GetScrapFlavorInfoList(scrap, &count, info.data()) != noErr) {
        seen.damage = "no flavor list: " + LastClipboardError();
        return seen;
    }
    for (UInt32 i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        if (info[i].flavorType != TaggedFlavorType(index)) {
            seen.damage = "flavor " + std::to_string(i) + " out of order";
            return seen;
        }
        const std::string bytes = ReadFlavor(scrap, info[i].flavorType);
        std::vector<uint64_t> words(bytes.size() / 8);
        std::memcpy(words.data(), bytes.data(), words.size() * 8);
        const uint64_t tag = words.empty() ? 0 : words[0] >> 8;
        if (i == 0) {
            seen.tag = tag;
        }
        if (bytes.empty() || bytes.size() % 8 != 0 || tag != seen.tag || bytes.size() != size(tag, index) ||
            std::any_of(words.begin(), words.end(), [&](uint64_t w) { return w != TaggedWord(tag, index); })) {
            seen.damage = "flavor " + std::to_string(i) + " of generation " + std::to_string(seen.tag) +
                          " is torn (" + std::to_string(bytes.size()) + " bytes): " + bytes.substr(0, 60);
            return seen;
        }
        seen.flavors = index + 1;
    }
    return seen;
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
