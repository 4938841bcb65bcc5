// Where the clip keychain lives: "Stashwell.keychain" in the clips folder. The path comes from the
// file itself when it exists, otherwise it is built from the folder, so that creating the
// keychain puts it where the next lookup finds it.
#include "secure/ClipKeychain.h"

#include <sys/stat.h>

#include <cerrno>

#include "content/FlavorSet.h"
#include "support/CMUtilsText.h"
#include "support/MemoryOwners.h"

namespace {

#define kDefaultKeychainFileName CFSTR("Stashwell.keychain")

constexpr TextEncoding kNameEncodingHint = 0;
constexpr CFIndex kMaxNameUnits = 255;
// The longest path taken from an existing file, terminator included.
constexpr UInt32 kMaxPathBytes = 1024;

}  // namespace

OSStatus ClipKeychain::GetStashwellKeychainFileRef(CFStringRef fileName, const FSRef* folder, FSRef* file)
{
    if (folder == nullptr || file == nullptr) {
        return paramErr;
    }
    CFStringRef name = fileName != nullptr ? fileName : kDefaultKeychainFileName;
    CFIndex length = CFStringGetLength(name);
    if (length > kMaxNameUnits) {
        length = kMaxNameUnits;
    }
    UniChar units[kMaxNameUnits];
    CFStringGetCharacters(name, CFRangeMake(0, length), units);
    return FSMakeFSRefUnicode(folder, static_cast<UniCharCount>(length), units, kNameEncodingHint, file);
}

char* ClipKeychain::CreateStashwellKeychainPath(CFStringRef fileName, Boolean* exists)
{
    CFStringRef name = fileName != nullptr ? fileName : kDefaultKeychainFileName;
    FSRef folder;
    FSRef file;
    const OSStatus folderStatus = FlavorSet::GetStashwellFolderRef(&folder);
    const bool found =
        folderStatus == noErr && GetStashwellKeychainFileRef(name, &folder, &file) == noErr;
    if (exists != nullptr) {
        *exists = found;
    }

    if (found) {
        AStdMalloc<char> path;
        path.AllocateAndCopy(nullptr, kMaxPathBytes, kMemObjClear);
        if (FSRefMakePath(&file, reinterpret_cast<UInt8*>(path.Get()), kMaxPathBytes) == noErr) {
            // A link the user made whose keychain is not there (yet) is no keychain: the menu offers
            // to create one, which is written where the link points.
            struct stat target {};
            if (exists != nullptr && ::stat(path.Get(), &target) != 0 && errno == ENOENT) {
                *exists = false;
            }
            return path.HandOut();
        }
    }

    // No file (or no path of it): the place where the keychain is to be created.
    if (exists != nullptr) {
        *exists = false;
    }
    if (folderStatus != noErr) {
        return nullptr;
    }
    CFObj<CFURLRef> folderURL(CFURLCreateFromFSRef(kCFAllocatorDefault, &folder));
    if (folderURL.Get() == nullptr) {
        return nullptr;
    }
    CFObj<CFURLRef> fileURL(CFURLCreateCopyAppendingPathComponent(kCFAllocatorDefault, folderURL, name, false));
    if (fileURL.Get() == nullptr) {
        return nullptr;
    }
    CFObj<CFStringRef> path(CFURLCopyFileSystemPath(fileURL, kCFURLPOSIXPathStyle));
    if (path.Get() == nullptr) {
        return nullptr;
    }
    return CMUtils::CreateUTF8CStringFromCFString(path, nullptr);
}
