#include "plugin/support/ClipListTesting.h"

#include "plugin/support/TextTesting.h"

#include "plugin/PluginIdentity.h"
#include "prefs/PreferencesStore.h"
#include "support/CFObj.h"

#include <gtest/gtest.h>

namespace cliplisttest {
namespace {

void SetString(CFMutableDictionaryRef record, CFStringRef key, const std::string& text)
{
    CFObj<CFStringRef> value(texttest::CreateString(text));
    CFDictionarySetValue(record, key, value.Get());
}

CFDictionaryRef CreateRecord(const ClipRecord& clip)
{
    CFMutableDictionaryRef record =
        CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    SetString(record, CFSTR("NAME"), clip.name);
    if (!clip.fileName.empty()) {
        SetString(record, CFSTR("FILENAME"), clip.fileName);
    }
    if (clip.submenu.has_value()) {
        SetString(record, CFSTR("SUBMENU"), *clip.submenu);
    }
    if (!clip.flavors.empty()) {
        CFObj<CFMutableArrayRef> flavors(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
        for (const std::string& type : clip.flavors) {
            CFObj<CFStringRef> typeString(texttest::CreateString(type));
            CFArrayAppendValue(flavors.Get(), typeString.Get());
        }
        CFDictionarySetValue(record, CFSTR("FLAVORS"), flavors.Get());
    }
    if (clip.secure) {
        CFDictionarySetValue(record, CFSTR("SECURE"), kCFBooleanTrue);
    }
    if (!clip.identifier.empty()) {
        SetString(record, CFSTR("CLIP_ID"), clip.identifier);
    }
    return record;
}

std::string Describe(CFTypeRef value)
{
    if (CFGetTypeID(value) == CFStringGetTypeID()) {
        return texttest::TextOf(static_cast<CFStringRef>(value));
    }
    if (CFGetTypeID(value) == CFBooleanGetTypeID()) {
        return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) ? "true" : "false";
    }
    if (CFGetTypeID(value) == CFArrayGetTypeID()) {
        std::string joined;
        auto array = static_cast<CFArrayRef>(value);
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
            joined += (i > 0 ? "," : "") + Describe(CFArrayGetValueAtIndex(array, i));
        }
        return joined;
    }
    return "?";
}

}  // namespace

CFMutableArrayRef CreateClipArray(const std::vector<ClipRecord>& clips)
{
    CFMutableArrayRef list = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (const ClipRecord& clip : clips) {
        CFObj<CFDictionaryRef> record(CreateRecord(clip));
        CFArrayAppendValue(list, record.Get());
    }
    return list;
}

void StoreClipList(const std::vector<ClipRecord>& clips)
{
    CFObj<CFMutableArrayRef> list(CreateClipArray(clips));
    SInt32 version = 1;
    CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &version));
    CFPreferencesSetAppValue(CFSTR("VERSION"), number.Get(), kStashwellPreferencesAppID);
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), kStashwellPreferencesAppID);
    EXPECT_TRUE(CFPreferencesAppSynchronize(kStashwellPreferencesAppID));
    platform::prefs::ResetPreferencesForTesting();
}

StoredRecord RecordOf(CFDictionaryRef record)
{
    StoredRecord stored;
    CFIndex count = CFDictionaryGetCount(record);
    std::vector<const void*> keys(static_cast<size_t>(count)), values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(record, keys.data(), values.data());
    for (CFIndex k = 0; k < count; ++k) {
        stored[texttest::TextOf(static_cast<CFStringRef>(keys[k]))] = Describe(values[k]);
    }
    // A new record's identifier is random: what matters is that it has the form of one.
    if (auto identifier = stored.find("CLIP_ID"); identifier != stored.end()) {
        const std::string& id = identifier->second;
        const bool uuidForm = id.size() == 36 && id[8] == '-' && id[13] == '-' && id[18] == '-' && id[23] == '-';
        if (uuidForm) {
            identifier->second = "uuid";
        }
    }
    return stored;
}

std::vector<StoredRecord> ReadStoredClipList()
{
    platform::prefs::ResetPreferencesForTesting();
    std::vector<StoredRecord> clips;
    CFObj<CFPropertyListRef> list(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kStashwellPreferencesAppID));
    if (list.Get() == nullptr || CFGetTypeID(list.Get()) != CFArrayGetTypeID()) {
        return clips;
    }
    auto array = static_cast<CFArrayRef>(list.Get());
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
        CFTypeRef element = CFArrayGetValueAtIndex(array, i);
        if (CFGetTypeID(element) == CFDictionaryGetTypeID()) {
            clips.push_back(RecordOf(static_cast<CFDictionaryRef>(element)));
        }
    }
    return clips;
}

std::vector<std::string> StoredClipNames()
{
    std::vector<std::string> names;
    for (StoredRecord& record : ReadStoredClipList()) {
        names.push_back(record["NAME"]);
    }
    return names;
}

}  // namespace cliplisttest
