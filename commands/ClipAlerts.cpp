// The plug-in's alerts about the user's clips.
#include "commands/ClipAlerts.h"

#include "commands/ClipCreation.h"
#include "plugin/PluginIdentity.h"
#include "support/CFObj.h"

#include <Security/Security.h>

void ShowClipAlert(const AbstractCMPluginType* instanceOrNull, CFStringRef englishText, CFStringRef detail)
{
    CFBundleRef bundle = instanceOrNull != nullptr ? instanceOrNull->bundle : nullptr;
    if (bundle == nullptr) {
        bundle = CFBundleGetBundleWithIdentifier(kStashwellBundleIdentifier);
    }
    CFObj<CFStringRef> text(bundle != nullptr
                                ? CFBundleCopyLocalizedString(bundle, englishText, englishText, CFSTR("Localizable"))
                                : static_cast<CFStringRef>(CFRetain(englishText)));
    if (text.Get() == nullptr) {
        return;
    }
    if (detail == nullptr) {
        DisplayAlert(text.Get(), nullptr, nullptr, kAlertStopAlert);
        return;
    }
    CFObj<CFMutableStringRef> message(CFStringCreateMutableCopy(kCFAllocatorDefault, 0, text.Get()));
    if (message.Get() == nullptr) {
        return;
    }
    CFStringAppend(message, CFSTR("\n"));
    CFStringAppend(message, detail);
    DisplayAlert(message.Get(), nullptr, nullptr, kAlertStopAlert);
}

bool TellKeychainDamage(const AbstractCMPluginType* instanceOrNull, OSStatus status, CFStringRef noteName)
{
    if (status == errSecInvalidKeychain) {
        ShowClipAlert(instanceOrNull, kKeychainDamagedText);
        return true;
    }
    if (status == errSecDecode) {
        ShowClipAlert(instanceOrNull, kSecureClipDamagedText, noteName);
        return true;
    }
    return false;
}
