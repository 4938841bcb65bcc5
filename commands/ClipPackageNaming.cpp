// The package folder of a new plain clip: named after the clip, cleaned of characters a folder
// name should not hold, and made unique in the clips folder with a two-digit suffix.
#include "commands/ClipCreation.h"

#include "content/ClipIntent.h"
#include "content/ClipsFolder.h"
#include "support/CFObj.h"

#include <algorithm>
#include <functional>

namespace {

constexpr UniCharCount kMaxNameUnits = 255;
constexpr TextEncoding kNameEncodingHint = 0;  // Mac OS Roman
constexpr UniChar kBlank = 0x20;
constexpr UniChar kColon = 0x3A;
constexpr UniChar kHyphen = 0x2D;
// The suffix follows the name when it fits; otherwise it takes the last two units.
constexpr UniCharCount kLastSuffixStart = kMaxNameUnits - 2;
constexpr int kLastSuffix = 99;

bool IsHighSurrogate(UniChar unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Cutting a name in the middle of a surrogate pair would leave half a character, which no folder
// name may hold: the cut moves before the pair.
UniCharCount KeepWholeCharacters(const UniChar* units, UniCharCount length)
{
    return length > 0 && IsHighSurrogate(units[length - 1]) ? length - 1 : length;
}

// Tries one name for the new package: answers dupFNErr when it is taken, errFSNameTooLong when the
// volume finds it too long.
using NameTrial = std::function<OSStatus(const UniChar* units, UniCharCount length)>;

// A volume may hold fewer characters in a name than 255 units (its limit counts encoded bytes):
// the folder name then loses whole characters at its end until it fits. The clip's record keeps
// the whole name, so only the folder's name is shorter.
OSStatus TryFittingName(const NameTrial& trial, UniChar* units, UniCharCount* length)
{
    OSStatus status = trial(units, *length);
    while (status == errFSNameTooLong && *length > 1) {
        *length = KeepWholeCharacters(units, *length - 1);
        status = trial(units, *length);
    }
    return status;
}

// The name is taken: tries the name followed by 01, 02, ... 99 (no separator), over its last two
// units when it is too long to grow, and over further characters when the volume finds the name
// too long. *length becomes the length of the last name tried.
OSStatus TryNameWithSuffix(const NameTrial& trial, UniChar* units, UniCharCount* length)
{
    UniCharCount suffixStart = KeepWholeCharacters(units, std::min(*length, kLastSuffixStart));
    OSStatus status = dupFNErr;
    for (int suffix = 1; suffix <= kLastSuffix && status == dupFNErr; ++suffix) {
        for (;;) {
            units[suffixStart] = static_cast<UniChar>('0' + suffix / 10);
            units[suffixStart + 1] = static_cast<UniChar>('0' + suffix % 10);
            status = trial(units, suffixStart + 2);
            if (status != errFSNameTooLong || suffixStart == 0) {
                break;
            }
            suffixStart = KeepWholeCharacters(units, suffixStart - 1);
        }
    }
    *length = suffixStart + 2;
    return status;
}

// A name the clips folder's machinery uses (".stashwell-lock", an intent) stays reserved whatever
// suffix it gets, so such a clip could never be stored: its folder's name begins with '_' instead
// of the '.'. The record keeps the name the user gave.
void KeepOutOfMachineryNames(UniChar* units, UniCharCount length)
{
    if (length == 0 || units[0] != '.') {
        return;
    }
    CFObj<CFStringRef> name(CFStringCreateWithCharacters(kCFAllocatorDefault, units, static_cast<CFIndex>(length)));
    if (IsReservedClipsFolderName(name.Get())) {
        units[0] = '_';
    }
}

// Gives the package the first name the trial accepts: the clip's name cleaned and cut to 255
// units, else with a suffix. On noErr, *fileName is the name given (+1).
OSStatus NamePackage(CFStringRef name, const NameTrial& trial, CFStringRef* fileName)
{
    if (name == nullptr) {
        name = CFSTR("Untitled");
    }
    UniChar units[kMaxNameUnits];
    UniCharCount length = static_cast<UniCharCount>(CFStringGetLength(name));
    if (length > kMaxNameUnits) {
        CFStringGetCharacters(name, CFRangeMake(0, kMaxNameUnits), units);
        length = KeepWholeCharacters(units, kMaxNameUnits);
    } else {
        CFStringGetCharacters(name, CFRangeMake(0, static_cast<CFIndex>(length)), units);
    }
    NormalizeFilename(length, units);
    KeepOutOfMachineryNames(units, length);

    OSStatus status = TryFittingName(trial, units, &length);
    if (status == dupFNErr) {
        status = TryNameWithSuffix(trial, units, &length);
    }
    if (status != noErr) {
        return status;
    }
    *fileName = CFStringCreateWithCharacters(kCFAllocatorDefault, units, static_cast<CFIndex>(length));
    return *fileName != nullptr ? noErr : memFullErr;
}

}  // namespace

void NormalizeFilename(UniCharCount length, UniChar* units)
{
    for (UniCharCount i = 0; i < length; ++i) {
        if (units[i] < kBlank) {
            units[i] = kBlank;
        } else if (units[i] == kColon) {
            units[i] = kHyphen;
        }
    }
}

OSStatus CreateClipPackage(CFStringRef name, FSRef* packageRef, CFStringRef* fileName)
{
    if (fileName != nullptr) {
        *fileName = nullptr;
    }
    if (packageRef == nullptr || fileName == nullptr) {
        return paramErr;
    }
    FSRef clipsFolder;
    OSStatus status = FlavorSet::GetStashwellFolderRef(&clipsFolder);
    if (status != noErr) {
        return status;
    }
    auto createFolder = [&](const UniChar* units, UniCharCount length) -> OSStatus {
        CFObj<CFStringRef> candidate(
            CFStringCreateWithCharacters(kCFAllocatorDefault, units, static_cast<CFIndex>(length)));
        // The folder's own machinery (the keychain, the lock, intents) counts as taken.
        if (IsReservedClipsFolderName(candidate.Get())) {
            return dupFNErr;
        }
        FSCatalogInfo info = {};
        info.textEncodingHint = kNameEncodingHint;
        return FSCreateDirectoryUnicode(&clipsFolder, length, units, kFSCatInfoTextEncoding, &info, packageRef,
                                        nullptr, nullptr);
    };
    status = NamePackage(name, createFolder, fileName);
    if (status == memFullErr) {
        // A folder whose name cannot be recorded could never be found again: it goes.
        FSDeleteObject(packageRef);
    }
    return status;
}

OSStatus MovePackageIntoPlace(CFStringRef name, StClipIntent& intent, CFStringRef* fileName)
{
    if (fileName == nullptr) {
        return paramErr;
    }
    *fileName = nullptr;
    return NamePackage(name, [&](const UniChar* units, UniCharCount length) { return intent.MoveWorkTo(units, length); },
                       fileName);
}
