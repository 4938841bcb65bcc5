#include "SecureClipTesting.h"

#include "support/ClipboardFlavors.h"

#include "plugin/PluginIdentity.h"
#include "plugin/menu/MenuRecordReader.h"
#include "prefs/PreferencesStore.h"
#include "commands/ClipCreation.h"
#include "support/CFObj.h"

#include <Carbon/Carbon.h>

namespace keychaintesting {
namespace {

void CountKeystroke(void* context, const PlatformKeyboardEvent* event)
{
    if (event->kind == kPlatformKeyEvent) {
        ++*static_cast<int*>(context);
    }
}

CFArrayRef CreateStringArray(const std::vector<std::string>& strings)
{
    CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (const std::string& text : strings) {
        CFObj<CFStringRef> string(CreateString(text));
        CFArrayAppendValue(array, string.Get());
    }
    return array;
}

}  // namespace

std::string TypeString(UInt32 type)
{
    return {char(type >> 24), char(type >> 16), char(type >> 8), char(type)};
}

void SecureClipTest::SetUp()
{
    ClipKeychainTest::SetUp();
    platform::prefs::ResetPreferencesForTesting();
    PlatformSetKeyboardSink(CountKeystroke, &mKeystrokes);
    mInstance = AllocAbstractCMPluginType(kStashwellFactoryID);
    ASSERT_NE(mInstance, nullptr);
    ASSERT_EQ(ClearCurrentScrap(), noErr);
}

void SecureClipTest::TearDown()
{
    PlatformSetKeyboardSink(nullptr, nullptr);
    if (mInstance != nullptr) {
        AbstractCMPluginRelease(mInstance);
    }
    platform::prefs::ResetPreferencesForTesting();
    ClearCurrentScrap();
    ClipKeychain(KeychainPath().c_str()).Lock();
    ClipKeychainTest::TearDown();
}

void SecureClipTest::StoreClips(const std::vector<ClipRecordFields>& clips)
{
    CFObj<CFMutableArrayRef> list(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
    for (const ClipRecordFields& clip : clips) {
        CFObj<CFMutableDictionaryRef> record(CFDictionaryCreateMutable(
            kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
        CFObj<CFStringRef> name(CreateString(clip.name));
        CFObj<CFStringRef> fileName(CreateString(clip.fileName));
        CFObj<CFArrayRef> flavors(CreateStringArray(clip.flavors));
        CFDictionarySetValue(record, CFSTR("NAME"), name.Get());
        CFDictionarySetValue(record, CFSTR("FILENAME"), fileName.Get());
        CFDictionarySetValue(record, CFSTR("SUBMENU"), CFSTR("/Stashwell"));
        CFDictionarySetValue(record, CFSTR("FLAVORS"), flavors.Get());
        if (clip.secure) {
            CFDictionarySetValue(record, CFSTR("SECURE"), kCFBooleanTrue);
        }
        CFDictionarySetValue(record, CFSTR("USE_PLAIN_TEXT"), clip.usePlainText ? kCFBooleanTrue : kCFBooleanFalse);
        CFArrayAppendValue(list.Get(), record.Get());
    }
    SInt32 version = 1;
    CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &version));
    CFPreferencesSetAppValue(CFSTR("VERSION"), number.Get(), kStashwellPreferencesAppID);
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), kStashwellPreferencesAppID);
    ASSERT_TRUE(CFPreferencesAppSynchronize(kStashwellPreferencesAppID));
    platform::prefs::ResetPreferencesForTesting();
}

std::vector<StoredClip> SecureClipTest::StoredClips()
{
    platform::prefs::ResetPreferencesForTesting();
    std::vector<StoredClip> clips;
    CFObj<CFPropertyListRef> list(CFPreferencesCopyAppValue(CFSTR("CLIP_LIST"), kStashwellPreferencesAppID));
    if (list.Get() == nullptr || CFGetTypeID(list.Get()) != CFArrayGetTypeID()) {
        return clips;
    }
    auto array = static_cast<CFArrayRef>(list.Get());
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
        auto record = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(array, i));
        StoredClip clip;
        clip.name = Utf8Of(static_cast<CFStringRef>(CFDictionaryGetValue(record, CFSTR("NAME"))));
        auto fileName = static_cast<CFStringRef>(CFDictionaryGetValue(record, CFSTR("FILENAME")));
        clip.fileName = fileName != nullptr ? Utf8Of(fileName) : "<none>";
        clip.secure = CFDictionaryGetValue(record, CFSTR("SECURE")) == kCFBooleanTrue;
        CFTypeRef plain = CFDictionaryGetValue(record, CFSTR("USE_PLAIN_TEXT"));
        clip.hasPlainTextFlag = plain != nullptr;
        clip.usePlainText = plain == kCFBooleanTrue;
        auto flavors = static_cast<CFArrayRef>(CFDictionaryGetValue(record, CFSTR("FLAVORS")));
        for (CFIndex f = 0; flavors != nullptr && f < CFArrayGetCount(flavors); ++f) {
            clip.flavors.push_back(Utf8Of(static_cast<CFStringRef>(CFArrayGetValueAtIndex(flavors, f))));
        }
        clips.push_back(clip);
    }
    return clips;
}

std::string SecureClipTest::MenuOutline()
{
    menutest::ScopedCommandList list;
    AEDesc context = {typeNull, nullptr};
    EXPECT_EQ(CMPluginExamineContext(mInstance, &context, list.Get()), noErr);
    mKeychainUnlockedInMenu = mInstance->implData.keychainUnlocked != 0;
    std::string outline = menutest::Outline(list.Read());
    CMPluginPostMenuCleanup(mInstance);
    return outline;
}

void SecureClipTest::Pick(SInt32 command)
{
    menutest::ScopedCommandList list;
    AEDesc context = {typeNull, nullptr};
    EXPECT_EQ(CMPluginExamineContext(mInstance, &context, list.Get()), noErr);
    EXPECT_EQ(CMPluginHandleSelection(mInstance, &context, command), noErr);
    CMPluginPostMenuCleanup(mInstance);
    while (CFRunLoopRunInMode(kCFRunLoopDefaultMode, 2.0, true) == kCFRunLoopRunHandledSource) {
    }
}

void SecureClipTest::AddSecureClip(const std::string& name, FlavorSet& flavors, CFStringRef submenu)
{
    menutest::ScopedCommandList list;
    AEDesc context = {typeNull, nullptr};
    ASSERT_EQ(CMPluginExamineContext(mInstance, &context, list.Get()), noErr);
    CFObj<CFStringRef> clipName(CreateString(name));
    AddNewSecureClip(mInstance, clipName.Get(), submenu, flavors);
    CMPluginPostMenuCleanup(mInstance);
}

Flavors SecureClipTest::Clipboard()
{
    return testsupport::ReadClipboardFlavors();
}

std::string SecureClipTest::NoteData(const std::string& noteName)
{
    ClipKeychain keychain(KeychainPath().c_str());
    CFObj<CFStringRef> name(CreateString(noteName));
    UInt32 length = 0;
    void* data = keychain.ReadSecureNote(name.Get(), length);
    if (data == nullptr) {
        return "<none>";
    }
    std::string bytes(static_cast<const char*>(data), length);
    ClipKeychain::FreeSecureNoteData(data);
    return bytes;
}

}  // namespace keychaintesting
