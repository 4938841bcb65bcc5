// Clip packages: one folder per plain clip in the clips folder, one file per stored flavor, named
// after the flavor's type. Package and flavor file names come from clip records, which any process
// of the user can write, so every name is checked to be one plain component before it is looked
// up: nothing here reaches outside the clips folder.
#include "content/FlavorSet.h"

#include "content/ClipsFolder.h"
#include "support/CFObj.h"
#include "support/CMUtilsFiles.h"
#include "support/MemoryOwners.h"

#include <cstdint>

namespace {

constexpr TextEncoding kNameEncodingHint = 0;  // Mac OS Roman
constexpr UniCharCount kMaxNameUnits = 255;
// Flavor files of this size or more are not flavors this system wrote.
constexpr SInt64 kFlavorFileSizeLimit = SInt64(1) << 32;

bool IsTextFlavor(UInt32 flavorType)
{
    return flavorType == kScrapFlavorTypeUnicode || flavorType == kScrapFlavorTypeText;
}

// The UTF-16 units of the string. A name longer than any item's is never cut to fit, which could
// make it name another item: false then.
bool GetNameUnits(CFStringRef string, HFSUniStr255* name)
{
    CFIndex length = CFStringGetLength(string);
    if (length > static_cast<CFIndex>(kMaxNameUnits)) {
        name->length = 0;
        return false;
    }
    CFStringGetCharacters(string, CFRangeMake(0, length), name->unicode);
    name->length = static_cast<UInt16>(length);
    return true;
}

bool IsHighSurrogate(UniChar unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(UniChar unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// bdNamErr for a name that cannot be one item inside a folder: empty, "." or "..", or with a NUL,
// a ':' (where the File Manager keeps a name's '/') or an unpaired surrogate. A '/' is no danger:
// it stays part of the name.
OSStatus CheckItemName(const HFSUniStr255& name)
{
    const UniChar* units = name.unicode;
    if (name.length == 0 || (name.length == 1 && units[0] == '.') ||
        (name.length == 2 && units[0] == '.' && units[1] == '.')) {
        return bdNamErr;
    }
    for (UInt16 i = 0; i < name.length; ++i) {
        if (units[i] == 0 || units[i] == ':') {
            return bdNamErr;
        }
        if (IsHighSurrogate(units[i])) {
            if (i + 1 >= name.length || !IsLowSurrogate(units[i + 1])) {
                return bdNamErr;
            }
            ++i;
        } else if (IsLowSurrogate(units[i])) {
            return bdNamErr;
        }
    }
    return noErr;
}

// The item of that name in the folder, after the name has been checked.
OSStatus LookUpItem(const FSRef* folder, CFStringRef nameString, FSRef* item)
{
    HFSUniStr255 name;
    if (!GetNameUnits(nameString, &name)) {
        return bdNamErr;
    }
    OSStatus status = CheckItemName(name);
    if (status != noErr) {
        return status;
    }
    return FSMakeFSRefUnicode(folder, name.length, name.unicode, kNameEncodingHint, item);
}

// An open data fork, closed on every way out.
class StFork {
public:
    StFork() = default;
    ~StFork() { Close(); }
    StFork(const StFork&) = delete;
    StFork& operator=(const StFork&) = delete;

    OSStatus Open(const FSRef* file, const HFSUniStr255& forkName, SInt8 permission)
    {
        OSStatus status = FSOpenFork(file, forkName.length, forkName.unicode, permission, &mFork);
        mOpen = status == noErr;
        return status;
    }

    FSIORefNum Get() const { return mFork; }

    // Closing can be the moment a write is found to have failed, so its status is worth having.
    OSStatus Close()
    {
        if (!mOpen) {
            return noErr;
        }
        mOpen = false;
        return FSCloseFork(mFork);
    }

private:
    FSIORefNum mFork = 0;
    bool mOpen = false;
};

// Writes the whole block into the file's data fork from its start. noErr only when every byte
// was written and the fork closed cleanly; a write that stops short without a status is ioErr.
OSStatus WriteWholeFork(const FSRef* file, const HFSUniStr255& forkName, Ptr block)
{
    StFork fork;
    OSStatus status = fork.Open(file, forkName, fsRdWrPerm);
    if (status != noErr) {
        return status;
    }
    const ByteCount size = static_cast<ByteCount>(GetPtrSize(block));
    ByteCount written = 0;
    status = FSWriteFork(fork.Get(), fsFromStart, 0, size, block, &written);
    if (status == noErr && written != size) {
        status = ioErr;
    }
    OSStatus closeStatus = fork.Close();
    return status != noErr ? status : closeStatus;
}

// Replaces the flavor file of that name in the package with one holding the block. On failure
// the file being written is removed: a short file must never pass for the flavor.
OSStatus WriteFlavorFile(const FSRef* package, const HFSUniStr255& fileName, const HFSUniStr255& forkName, Ptr block)
{
    FSRef existing;
    OSStatus status = FSMakeFSRefUnicode(package, fileName.length, fileName.unicode, kNameEncodingHint, &existing);
    if (status == noErr) {
        status = FSDeleteObject(&existing);
    }
    if (status != noErr && status != fnfErr) {
        return status;
    }
    FSCatalogInfo info = {};
    info.textEncodingHint = kNameEncodingHint;
    FSRef file;
    status = FSCreateFileUnicode(package, fileName.length, fileName.unicode, kFSCatInfoTextEncoding, &info, &file,
                                 nullptr);
    if (status != noErr) {
        return status;
    }
    status = WriteWholeFork(&file, forkName, block);
    if (status != noErr) {
        FSDeleteObject(&file);
    }
    return status;
}

// The flavor type a "FLAVORS" element names: byte i is the low 8 bits of unit i, missing units 0.
UInt32 FlavorTypeFromNameUnits(const HFSUniStr255& name)
{
    UInt32 flavorType = 0;
    for (UInt16 i = 0; i < 4; ++i) {
        UInt32 byte = i < name.length ? (name.unicode[i] & 0xFF) : 0;
        flavorType |= byte << (8 * (3 - i));
    }
    return flavorType;
}

}  // namespace

OSStatus FlavorSet::FindStashwellFolderRef(FSRef* folderRef)
{
    return FindClipsFolderRef(folderRef);
}

OSStatus FlavorSet::GetStashwellFolderRef(FSRef* folderRef)
{
    return GetClipsFolderRef(folderRef);
}

OSStatus FlavorSet::GetClipPackageRef(CFStringRef clipFileName, FSRef* packageRef)
{
    if (packageRef == nullptr) {
        return paramErr;
    }
    FSRef clipsFolder;
    OSStatus status = GetStashwellFolderRef(&clipsFolder);
    if (status != noErr) {
        return status;
    }
    if (clipFileName == nullptr) {
        clipFileName = CFSTR("Untitled");
    }
    // The keychain and the folder's own machinery share the clips folder: no record reaches them.
    if (IsReservedClipsFolderName(clipFileName)) {
        return bdNamErr;
    }
    return LookUpItem(&clipsFolder, clipFileName, packageRef);
}

OSStatus FlavorSet::SaveToFiles(const FSRef* packageRef)
{
    if (packageRef == nullptr) {
        return paramErr;
    }
    HFSUniStr255 forkName;
    OSStatus status = FSGetDataForkName(&forkName);
    if (status != noErr) {
        return status;
    }
    for (auto entry = begin(); entry != end();) {
        const UInt32 flavorType = entry->first;
        Ptr block = entry->second;
        if ((mUsePlainText && !IsTextFlavor(flavorType)) || block == nullptr) {
            ++entry;
            continue;
        }
        HFSUniStr255 fileName;
        FourCharCodeToFileName(flavorType, &fileName);
        if (CheckItemName(fileName) != noErr) {
            // No file can carry this type: it leaves the set, so no record lists it either.
            DisposePtr(block);
            entry = erase(entry);
            continue;
        }
        ++entry;
        // The clip is recorded only when every flavor it names is on disk whole.
        status = WriteFlavorFile(packageRef, fileName, forkName, block);
        if (status != noErr) {
            return status;
        }
    }
    return noErr;
}

void FlavorSet::ReadFromFiles(const FSRef* packageRef, CFArrayRef typeStrings)
{
    if (packageRef == nullptr || typeStrings == nullptr) {
        return;
    }
    HFSUniStr255 forkName;
    if (FSGetDataForkName(&forkName) != noErr) {
        return;
    }
    const CFIndex count = CFArrayGetCount(typeStrings);
    for (CFIndex i = 0; i < count; ++i) {
        auto element = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(typeStrings, i));
        if (element == nullptr || CFGetTypeID(element) != CFStringGetTypeID()) {
            continue;
        }
        HFSUniStr255 name;
        FSRef file;
        if (!GetNameUnits(static_cast<CFStringRef>(element), &name) || CheckItemName(name) != noErr ||
            FSMakeFSRefUnicode(packageRef, name.length, name.unicode, kNameEncodingHint, &file) != noErr) {
            mLeftOutOnRead = true;
            continue;
        }
        // A file that cannot be opened (a link, a FIFO, no permission) or measured ends the reading:
        // the package is not what its record says.
        StFork fork;
        SInt64 size = 0;
        if (fork.Open(&file, forkName, fsRdPerm) != noErr || FSGetForkSize(fork.Get(), &size) != noErr) {
            mLeftOutOnRead = true;
            return;
        }
        // A block owner counts in 32 signed bits: a larger file could not be held whole anyway.
        if (size <= 0 || size >= kFlavorFileSizeLimit || size > INT32_MAX) {
            mLeftOutOnRead = true;
            continue;
        }
        try {
            AMacPtr<char> block;
            block.AllocateAndCopy(nullptr, static_cast<SInt32>(size), kMemObjClear);
            ByteCount read = 0;
            FSReadFork(fork.Get(), fsFromStart, 0, static_cast<ByteCount>(size), block.Get(), &read);
            if (read == static_cast<ByteCount>(size)) {
                StoreFlavor(FlavorTypeFromNameUnits(name), block.HandOut());
            } else {
                mLeftOutOnRead = true;
            }
        } catch (...) {
            // A flavor that cannot be held in memory is left out; the others still come.
            mLeftOutOnRead = true;
        }
    }
}

OSStatus FlavorSet::DeleteFiles(const FSRef* packageRef)
{
    return CMUtils::DeleteObject(packageRef);
}

void FlavorSet::FourCharCodeToFileName(UInt32 flavorType, HFSUniStr255* name)
{
    if (name == nullptr) {
        return;
    }
    name->length = 4;
    for (int i = 0; i < 4; ++i) {
        name->unicode[i] = static_cast<UniChar>((flavorType >> (8 * (3 - i))) & 0xFF);
    }
}

void FlavorSet::FileNameToFourCharCode(const HFSUniStr255* name, UInt32* flavorType)
{
    if (name == nullptr || flavorType == nullptr) {
        return;
    }
    *flavorType = FlavorTypeFromNameUnits(*name);
}

CFDataRef FlavorSet::ReadOneFlavorFromFile(CFStringRef clipFileName, CFStringRef flavorFileName)
{
    if (clipFileName == nullptr || flavorFileName == nullptr) {
        return nullptr;
    }
    FSRef package;
    FSRef file;
    if (GetClipPackageRef(clipFileName, &package) != noErr || LookUpItem(&package, flavorFileName, &file) != noErr) {
        return nullptr;
    }
    // The whole file is read into memory: one far larger than any flavor is not even tried.
    FSCatalogInfo info = {};
    if (FSGetCatalogInfo(&file, kFSCatInfoNodeFlags | kFSCatInfoDataSizes, &info, nullptr, nullptr, nullptr) != noErr ||
        (info.nodeFlags & kFSNodeIsDirectoryMask) != 0 ||
        info.dataLogicalSize >= static_cast<UInt64>(kFlavorFileSizeLimit)) {
        return nullptr;
    }
    CFObj<CFURLRef> url(CFURLCreateFromFSRef(kCFAllocatorDefault, &file));
    if (url.Get() == nullptr) {
        return nullptr;
    }
    CFDataRef data = nullptr;
    if (!CFURLCreateDataAndPropertiesFromResource(kCFAllocatorDefault, url, &data, nullptr, nullptr, nullptr)) {
        CFObj<CFDataRef> failed(data);
        return nullptr;
    }
    return data;
}
