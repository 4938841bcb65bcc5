// The plug-in's own content paths, one per run, for the clip-content benchmark script to time
// against cp:
//   clip_content_tool store-clip FILE TYPE NAME   a clip package holding FILE as the flavor TYPE,
//                                                 recorded as the only clip of the clip list
//   clip_content_tool clipboard-to-package NAME   the clipboard read into a flavor set and written
//                                                 into a new clip package NAME
// Storage follows XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR, as everywhere else. With
// STASHWELL_BENCH_DISPLAY set, the clipboard is that X11 display's CLIPBOARD.
#include "content/FlavorSet.h"
#include "plugin/ClipRecord.h"
#include "plugin/PluginIdentity.h"
#include "support/CFObj.h"
#include "support/MemoryOwners.h"

#include <Carbon/Carbon.h>
#include <PlatformHost.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

CFStringRef CreateString(const std::string& text)
{
    return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                                   static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
}

int Fail(const char* what, OSStatus status)
{
    std::fprintf(stderr, "clip_content_tool: %s failed (%d)\n", what, static_cast<int>(status));
    return 1;
}

// A new package folder called name in the clips folder.
OSStatus CreatePackage(const std::string& name, FSRef* package)
{
    FSRef folder;
    OSStatus status = FlavorSet::GetStashwellFolderRef(&folder);
    if (status != noErr) {
        return status;
    }
    CFObj<CFStringRef> folderName(CreateString(name));
    std::vector<UniChar> units(static_cast<size_t>(CFStringGetLength(folderName.Get())));
    CFStringGetCharacters(folderName.Get(), CFRangeMake(0, static_cast<CFIndex>(units.size())), units.data());
    return FSCreateDirectoryUnicode(&folder, units.size(), units.data(), kFSCatInfoNone, nullptr, package, nullptr,
                                    nullptr);
}

// The flavor set holding the file's bytes under type.
class FileFlavorSet : public FlavorSet {
public:
    bool Load(const std::string& path, UInt32 type)
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in) {
            return false;
        }
        Size size = static_cast<Size>(in.tellg());
        if (size <= 0) {
            return false;
        }
        AMacPtr<char> block;
        block.AllocateAndCopy(nullptr, static_cast<SInt32>(size), kMemObjNoClear);
        in.seekg(0);
        in.read(block.Get(), size);
        if (!in) {
            return false;
        }
        StoreFlavor(type, reinterpret_cast<Ptr>(block.HandOut()));
        return true;
    }
};

int StoreClip(const std::string& path, const std::string& typeText, const std::string& name)
{
    CFObj<CFStringRef> typeString(CreateString(typeText));
    FileFlavorSet flavors;
    if (!flavors.Load(path, FlavorSet::CreateFourCharCodeFromCFString(typeString.Get()))) {
        return Fail("reading the file", ioErr);
    }
    FSRef package;
    OSStatus status = CreatePackage(name, &package);
    if (status != noErr) {
        return Fail("creating the package", status);
    }
    status = flavors.SaveToFiles(&package);
    if (status != noErr) {
        return Fail("writing the package", status);
    }

    CFObj<CFMutableDictionaryRef> record(CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                                   &kCFTypeDictionaryValueCallBacks));
    CFObj<CFStringRef> nameString(CreateString(name));
    CFObj<CFMutableArrayRef> typeStrings(flavors.CreateFlavorTypeStringsArray());
    CFDictionarySetValue(record.Get(), kClipNameKey, nameString.Get());
    CFDictionarySetValue(record.Get(), kClipFileNameKey, nameString.Get());
    CFDictionarySetValue(record.Get(), kClipFlavorsKey, typeStrings.Get());
    CFObj<CFMutableArrayRef> list(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
    CFArrayAppendValue(list.Get(), record.Get());
    SInt32 version = 1;
    CFObj<CFNumberRef> versionNumber(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &version));
    CFPreferencesSetAppValue(CFSTR("VERSION"), versionNumber.Get(), kStashwellPreferencesAppID);
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), kStashwellPreferencesAppID);
    if (!CFPreferencesAppSynchronize(kStashwellPreferencesAppID)) {
        return Fail("saving the clip list", ioErr);
    }
    return 0;
}

int ClipboardToPackage(const std::string& name)
{
    FlavorSet flavors;
    flavors.ReadFromClibpoard();
    if (!flavors.AnyContentAvailable()) {
        return Fail("reading the clipboard", noTypeErr);
    }
    FSRef package;
    OSStatus status = CreatePackage(name, &package);
    if (status != noErr) {
        return Fail("creating the package", status);
    }
    status = flavors.SaveToFiles(&package);
    return status == noErr ? 0 : Fail("writing the package", status);
}

}  // namespace

int main(int argc, char** argv)
{
    if (const char* display = std::getenv("STASHWELL_BENCH_DISPLAY")) {
        if (PlatformUseDesktop(display, nullptr) != noErr) {
            return Fail("opening the display", kPlatformNoDesktopErr);
        }
    }
    try {
        if (argc == 5 && std::strcmp(argv[1], "store-clip") == 0) {
            return StoreClip(argv[2], argv[3], argv[4]);
        }
        if (argc == 3 && std::strcmp(argv[1], "clipboard-to-package") == 0) {
            return ClipboardToPackage(argv[2]);
        }
    } catch (...) {
        return Fail("allocating memory", memFullErr);
    }
    std::fprintf(stderr, "usage: clip_content_tool store-clip FILE TYPE NAME | clipboard-to-package NAME\n");
    return 2;
}
