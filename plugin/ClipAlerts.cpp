// The plug-in's alerts about the user's clips.
#include "plugin/ClipAlerts.h"

#include "content/ClipsFolderLock.h"
#include "plugin/PluginIdentity.h"
#include "support/CFObj.h"

#include <Security/Security.h>

namespace {

// The alerts decided while the clips folder's lock was held, to be shown in order once it is
// released (+1 while any waits; NULL otherwise).
CFMutableArrayRef sHeldAlerts = nullptr;

void ShowHeldAlerts()
{
    CFObj<CFMutableArrayRef> alerts(sHeldAlerts);
    sHeldAlerts = nullptr;
    if (alerts.Get() == nullptr) {
        return;
    }
    for (CFIndex i = 0; i < CFArrayGetCount(alerts); ++i) {
        DisplayAlert(static_cast<CFStringRef>(CFArrayGetValueAtIndex(alerts, i)), nullptr, nullptr, kAlertStopAlert);
    }
}

// Shows the alert now, or once the lock is released when it is held.
void ShowOrHold(CFStringRef message)
{
    if (!StClipListLock::IsHeld()) {
        DisplayAlert(message, nullptr, nullptr, kAlertStopAlert);
        return;
    }
    if (sHeldAlerts == nullptr) {
        sHeldAlerts = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
        if (sHeldAlerts == nullptr) {
            return;
        }
    }
    CFArrayAppendValue(sHeldAlerts, message);
    StClipListLock::CallOnceReleased(ShowHeldAlerts);
}

}  // namespace

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
        ShowOrHold(text.Get());
        return;
    }
    CFObj<CFMutableStringRef> message(CFStringCreateMutableCopy(kCFAllocatorDefault, 0, text.Get()));
    if (message.Get() == nullptr) {
        return;
    }
    CFStringAppend(message, CFSTR("\n"));
    CFStringAppend(message, detail);
    ShowOrHold(message.Get());
}

void ShowClipFailure(const AbstractCMPluginType* instanceOrNull, OSStatus status, CFStringRef englishText)
{
    CFObj<CFStringRef> holder(status == fBsyErr ? StClipListLock::CopyBusyHolderDescription() : nullptr);
    if (holder.Get() != nullptr) {
        ShowClipAlert(instanceOrNull, kClipsFolderBusyText, holder.Get());
    } else {
        ShowClipAlert(instanceOrNull, englishText);
    }
}

bool IsKeychainDamage(OSStatus status)
{
    // A file of a format version this one cannot read cannot be opened either: to the user it is
    // as damaged, and the way on is the same.
    return status == errSecInvalidKeychain || status == errSecWrongSecVersion;
}

bool TellKeychainDamage(const AbstractCMPluginType* instanceOrNull, OSStatus status, CFStringRef noteName)
{
    if (IsKeychainDamage(status)) {
        ShowClipAlert(instanceOrNull, kKeychainDamagedText);
        return true;
    }
    if (status == errSecDecode) {
        ShowClipAlert(instanceOrNull, kSecureClipDamagedText, noteName);
        return true;
    }
    return false;
}
