// The clip list in the preferences as the plug-in's and the host's tests meet it: stored the way
// another process of the user leaves it, and read back afresh, as the next menu reads it.
#pragma once

#include "CFOwner.h"
#include "prefs/PreferencesStore.h"
#include "support/CFText.h"

#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cliplisttest {

inline CFStringRef ClipListAppID() { return CFSTR("org.stashwell.cmplugin"); }

// One record. An empty file name or flavor list leaves its key out; no submenu leaves "SUBMENU"
// out, which puts the clip at the top level of the menu.
struct ClipRecord {
    std::string name;
    std::string fileName;
    std::vector<std::string> flavors;
    bool secure = false;
    std::optional<std::string> submenu = "/Stashwell";
    std::string identifier{};  // "CLIP_ID"; empty leaves it out, as in records of earlier versions
};

// A clip in a submenu (none: the top level of the menu), its package named after it.
inline ClipRecord Clip(const std::string& name, const char* submenu = nullptr, bool secure = false)
{
    ClipRecord clip{name, name, {}, secure};
    clip.submenu = submenu != nullptr ? std::optional<std::string>(submenu) : std::nullopt;
    return clip;
}

namespace detail {

inline platform::CFOwner<CFStringRef> String(const std::string& text)
{
    return platform::AdoptCF(CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                                                     static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false));
}

inline std::string Describe(CFTypeRef value)
{
    if (CFGetTypeID(value) == CFStringGetTypeID())
        return testsupport::TextOf(static_cast<CFStringRef>(value));
    if (CFGetTypeID(value) == CFBooleanGetTypeID())
        return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) ? "true" : "false";
    if (CFGetTypeID(value) != CFArrayGetTypeID())
        return "?";
    std::string joined;
    auto array = static_cast<CFArrayRef>(value);
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i)
        joined += (i > 0 ? "," : "") + Describe(CFArrayGetValueAtIndex(array, i));
    return joined;
}

}  // namespace detail

// The records as a clip list array (+1).
inline CFMutableArrayRef CreateClipArray(const std::vector<ClipRecord>& clips)
{
    CFMutableArrayRef list = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (const ClipRecord& clip : clips) {
        const platform::CFOwner<CFMutableDictionaryRef> record = platform::AdoptCF(CFDictionaryCreateMutable(
            kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
        auto set = [&](CFStringRef key, const std::string& text) {
            CFDictionarySetValue(record.Get(), key, detail::String(text).Get());
        };
        set(CFSTR("NAME"), clip.name);
        if (!clip.fileName.empty())
            set(CFSTR("FILENAME"), clip.fileName);
        if (clip.submenu.has_value())
            set(CFSTR("SUBMENU"), *clip.submenu);
        if (!clip.flavors.empty()) {
            const platform::CFOwner<CFMutableArrayRef> flavors =
                platform::AdoptCF(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
            for (const std::string& type : clip.flavors)
                CFArrayAppendValue(flavors.Get(), detail::String(type).Get());
            CFDictionarySetValue(record.Get(), CFSTR("FLAVORS"), flavors.Get());
        }
        if (clip.secure)
            CFDictionarySetValue(record.Get(), CFSTR("SECURE"), kCFBooleanTrue);
        if (!clip.identifier.empty())
            set(CFSTR("CLIP_ID"), clip.identifier);
        CFArrayAppendValue(list, record.Get());
    }
    return list;
}

// Stores the records as the clip list of version 1, and makes this process forget what it had
// read of the preferences.
inline void StoreClipList(const std::vector<ClipRecord>& clips)
{
    const platform::CFOwner<CFMutableArrayRef> list = platform::AdoptCF(CreateClipArray(clips));
    SInt32 version = 1;
    const platform::CFOwner<CFNumberRef> number =
        platform::AdoptCF(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &version));
    CFPreferencesSetAppValue(CFSTR("VERSION"), number.Get(), ClipListAppID());
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), ClipListAppID());
    EXPECT_TRUE(CFPreferencesAppSynchronize(ClipListAppID()));
    platform::prefs::ResetPreferencesForTesting();
}

// A stored record as text: key -> value ("TEXT,utxt" for an array, "true" or "false" for a
// boolean, "uuid" for an identifier of that form, "?" for any other type).
using StoredRecord = std::map<std::string, std::string>;

inline StoredRecord RecordOf(CFDictionaryRef dictionary)
{
    StoredRecord stored;
    const CFIndex count = CFDictionaryGetCount(dictionary);
    std::vector<const void*> keys(static_cast<size_t>(count)), values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
    for (CFIndex k = 0; k < count; ++k)
        stored[testsupport::TextOf(static_cast<CFStringRef>(keys[k]))] = detail::Describe(values[k]);
    // A new record's identifier is random: what matters is that it has the form of one.
    if (auto identifier = stored.find("CLIP_ID"); identifier != stored.end()) {
        const std::string& id = identifier->second;
        if (id.size() == 36 && id[8] == '-' && id[13] == '-' && id[18] == '-' && id[23] == '-')
            identifier->second = "uuid";
    }
    return stored;
}

// The stored list's records, read afresh from the preferences file (the test fails when that file
// does not read); empty when there is none. Values of the list that are no records are left out.
inline std::vector<StoredRecord> ReadStoredClipList()
{
    platform::prefs::ResetPreferencesForTesting();
    EXPECT_TRUE(CFPreferencesAppSynchronize(ClipListAppID())) << "the preferences file cannot be read";
    std::vector<StoredRecord> clips;
    const platform::CFOwner<CFPropertyListRef> list =
        platform::AdoptCF(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), ClipListAppID()));
    EXPECT_TRUE(!list || CFGetTypeID(list.Get()) == CFArrayGetTypeID());
    if (!list || CFGetTypeID(list.Get()) != CFArrayGetTypeID())
        return clips;
    const auto array = static_cast<CFArrayRef>(list.Get());
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
        CFTypeRef value = CFArrayGetValueAtIndex(array, i);
        if (CFGetTypeID(value) == CFDictionaryGetTypeID())
            clips.push_back(RecordOf(static_cast<CFDictionaryRef>(value)));
    }
    return clips;
}

inline std::vector<std::string> StoredClipNames()
{
    std::vector<std::string> names;
    for (StoredRecord& record : ReadStoredClipList())
        names.push_back(record["NAME"]);
    return names;
}

}  // namespace cliplisttest
