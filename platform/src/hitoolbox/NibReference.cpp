// Interface-file references: finding "<name>.nib" in a bundle, reading and checking it once, and
// making windows from it.
#include "hitoolbox/UIObjects.h"

#include "base/LastError.h"
#include "base/RegularFile.h"
#include "cf/StringObject.h"
#include "cf/URLObject.h"
#include "text/Unicode.h"

#include <PlatformUIDriver.h>

using namespace platform;
using namespace platform::ui;

namespace platform::ui {
namespace {

thread_local LastError tLastError;

OSStatus Fail(const std::string& reason)
{
    return tLastError.Fail(kIBCarbonRuntimeCantFindNibFile, reason);
}

bool IsPlainName(const std::u16string& name)
{
    return !name.empty() && name.find(u'/') == std::u16string::npos && name != u"." && name != u"..";
}

// A reference (+1) to the file at path, read and checked.
OSStatus OpenInterfaceFile(const std::string& path, IBNibRef* outNibRef)
{
    Result<std::string> read = ReadRegularFile(path, kMaxInterfaceFileBytes);
    if (!read.Ok()) {
        return Fail(read.Reason());
    }
    Result<InterfaceFile> interfaceFile = ReadInterfaceFile(read.Value());
    if (!interfaceFile.Ok()) {
        return Fail(path + ": " + interfaceFile.Reason());
    }
    auto file = std::make_shared<InterfaceFile>(std::move(interfaceFile.Value()));
    OpaqueIBNibRef* nib = CreateInstance<OpaqueIBNibRef>(nullptr, kNibClass);
    if (nib == nullptr) {
        tLastError.Clear();
        return memFullErr;
    }
    nib->file = std::move(file);
    *outNibRef = nib;
    return noErr;
}

std::string DescribeNib(const RuntimeBase* object)
{
    return "<IBNibRef " + std::to_string(static_cast<const OpaqueIBNibRef*>(object)->file->windows.size()) +
           " windows>";
}

}  // namespace

const RuntimeClass kNibClass{kNibTypeID, "IBNibRef", &FinalizeAs<OpaqueIBNibRef>, nullptr, nullptr, &DescribeNib};

}  // namespace platform::ui

extern "C" {

OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName, IBNibRef* outNibRef)
{
    tLastError.Clear();
    if (outNibRef != nullptr) {
        *outNibRef = nullptr;
    }
    if (!IsType(inBundle, kBundleTypeID) || !IsType(inNibName, kStringTypeID) || outNibRef == nullptr) {
        tLastError.Set("no bundle, no interface file name or no place for the reference");
        return paramErr;
    }
    if (!IsPlainName(StringUnits(inNibName))) {
        return Fail("\"" + StringToUTF8(inNibName) + "\" is not the name of an interface file");
    }
    CFOwner<CFURLRef> url = AdoptCF(CFBundleCopyResourceURL(inBundle, inNibName, CFSTR("nib"), nullptr));
    if (!url) {
        return Fail("the bundle has no interface file \"" + StringToUTF8(inNibName) + ".nib\"");
    }
    std::string path = URLPath(url.Get());
    url.Reset();
    return OpenInterfaceFile(path, outNibRef);
}

OSStatus CreateNibReference(CFStringRef inNibName, IBNibRef* outNibRef)
{
    tLastError.Clear();
    if (outNibRef != nullptr) {
        *outNibRef = nullptr;
    }
    if (!IsType(inNibName, kStringTypeID) || outNibRef == nullptr) {
        tLastError.Set("no interface file name or no place for the reference");
        return paramErr;
    }
    return Fail("the process has no main bundle to find \"" + StringToUTF8(inNibName) + ".nib\" in");
}

void DisposeNibReference(IBNibRef inNibRef)
{
    if (IsType(inNibRef, kNibTypeID)) {
        AdoptCF(inNibRef).Reset();
    }
}

OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow)
{
    if (outWindow != nullptr) {
        *outWindow = nullptr;
    }
    if (!IsType(inNibRef, kNibTypeID) || !IsType(inName, kStringTypeID) || outWindow == nullptr) {
        return paramErr;
    }
    const InterfaceFile& file = *static_cast<OpaqueIBNibRef*>(inNibRef)->file;
    auto found = file.windows.find(StringUnits(inName));
    if (found == file.windows.end()) {
        return kIBCarbonRuntimeCantFindObject;
    }
    *outWindow = CreateWindowFromDescription(found->first, found->second);
    return *outWindow != nullptr ? noErr : memFullErr;
}

CFStringRef PlatformCopyLastInterfaceFileError(void)
{
    const std::string& reason = tLastError.Reason();
    return reason.empty() ? nullptr : CreateStringFromUTF8(nullptr, reason);
}

}  // extern "C"
