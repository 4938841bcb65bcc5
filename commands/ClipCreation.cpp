// Storing a new plain clip: its package folder with one file per flavor, then its record at the
// end of the clip list. A clip is recorded only when its package is on disk whole, and a package
// that does not end up recorded is removed again, so the clips folder never keeps a half-written
// or unreachable package.
#include "commands/ClipCreation.h"

#include "plugin/ClipRecord.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"
#include "support/CMUtilsFiles.h"

#define kUntitledName CFSTR("Untitled")
// Also the key of its entry in the localisation table.
#define kSavingErrorText CFSTR("An error occurred while saving the clip.")

namespace {

// Removes the new package folder with whatever was written into it, unless the clip was
// recorded; also when an exception passes.
class StNewPackage {
public:
    explicit StNewPackage(const FSRef& package) : mPackage(package) {}
    ~StNewPackage() { Discard(); }
    StNewPackage(const StNewPackage&) = delete;
    StNewPackage& operator=(const StNewPackage&) = delete;

    void Keep() { mDone = true; }
    // Removes the package now (once).
    void Discard()
    {
        if (!mDone) {
            mDone = true;
            CMUtils::DeleteObject(&mPackage);
        }
    }

private:
    FSRef mPackage;
    bool mDone = false;
};

void ShowSavingError(const AbstractCMPluginType* instance)
{
    CFObj<CFStringRef> message(
        CFBundleCopyLocalizedString(instance->bundle, kSavingErrorText, kSavingErrorText, CFSTR("Localizable")));
    DisplayAlert(message.Get(), nullptr, nullptr, kAlertStopAlert);
}

// Writes the flavor files; false when any of them is not on disk whole, thrown exceptions
// included.
bool SaveFlavors(FlavorSet& flavors, const FSRef& package)
{
    try {
        return flavors.SaveToFiles(&package) == noErr;
    } catch (...) {
        return false;
    }
}

}  // namespace

void AddNewClip(AbstractCMPluginType* instance, CFStringRef name, CFStringRef submenu, FlavorSet& flavors)
{
    if (instance == nullptr || instance->implData.clipList == nullptr) {
        return;
    }
    FSRef package;
    CFStringRef madeName = nullptr;
    if (CreateClipPackage(name, &package, &madeName) != noErr) {
        ShowSavingError(instance);
        return;
    }
    CFObj<CFStringRef> fileName(madeName);
    StNewPackage newPackage(package);

    if (!SaveFlavors(flavors, package)) {
        // The partly written package goes before the user is told, so nothing of it remains.
        newPackage.Discard();
        ShowSavingError(instance);
        return;
    }

    CFObj<CFMutableDictionaryRef> record(CFDictionaryCreateMutable(kCFAllocatorDefault, 0,
                                                                    &kCFTypeDictionaryKeyCallBacks,
                                                                    &kCFTypeDictionaryValueCallBacks));
    if (record.Get() == nullptr) {
        return;
    }
    // A record without a name would never reach the menu, and so could never be deleted.
    CFDictionaryAddValue(record.Get(), kClipNameKey, name != nullptr ? name : kUntitledName);
    if (fileName.Get() != nullptr) {
        CFDictionaryAddValue(record.Get(), kClipFileNameKey, fileName.Get());
    }
    if (submenu != nullptr) {
        CFDictionaryAddValue(record.Get(), kClipSubmenuKey, submenu);
    }
    CFObj<CFMutableArrayRef> typeStrings(flavors.CreateFlavorTypeStringsArray());
    if (typeStrings.Get() != nullptr) {
        CFDictionaryAddValue(record.Get(), kClipFlavorsKey, typeStrings.Get());
    }
    instance->implData.clipList->AddItem(record.Get());
    newPackage.Keep();
}
