// Windows made from interface files found in a bundle: a missing window, a missing or damaged
// file, and names that are not plain file names.
#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace hitoolboxtest;

std::string LastError()
{
    CFStringRef error = PlatformCopyLastInterfaceFileError();
    return error != nullptr ? TakeText(error) : std::string();
}

TEST(NibTest, MissingWindowAndMissingOrDamagedFilesLeaveNoWindowWithAReason)
{
    struct Case {
        const char* what;
        std::string nib;
        const char* window;
        OSStatus status;
        const char* reason;  // part of the last error
    };
    const Case cases[] = {
        {"missing window", InterfaceFile(NewClipWindow()), "Old Clip", kIBCarbonRuntimeCantFindObject, ""},
        {"missing file", "", "New Clip", kIBCarbonRuntimeCantFindNibFile, "Dialogs.nib"},
        {"damaged file", InterfaceFile(NewClipWindow()).substr(0, 300), "New Clip", kIBCarbonRuntimeCantFindNibFile,
         "Dialogs.nib: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NibBundle bundle(c.nib);
        OSStatus status = noErr;
        EXPECT_EQ(WindowFromNib(bundle, c.window, &status), nullptr);
        EXPECT_EQ(status, c.status);
        EXPECT_NE(LastError().find(c.reason), std::string::npos) << LastError();
    }
}

TEST(NibTest, NamesThatAreNotPlainFileNamesAndTheMainBundleFindNothing)
{
    NibBundle bundle(InterfaceFile(NewClipWindow()));
    for (const char* name : {"", "..", "../English.lproj/Dialogs", "English.lproj/Dialogs"}) {
        IBNibRef nib = reinterpret_cast<IBNibRef>(1);
        auto nibName = AdoptCF<CFStringRef>(MakeString(name));
        EXPECT_EQ(CreateNibReferenceWithCFBundle(bundle.get(), nibName.Get(), &nib), kIBCarbonRuntimeCantFindNibFile)
            << name;
        EXPECT_EQ(nib, nullptr);
    }
    IBNibRef nib = nullptr;
    auto nibName = AdoptCF<CFStringRef>(MakeString("Dialogs"));
    EXPECT_EQ(CreateNibReference(nibName.Get(), &nib), kIBCarbonRuntimeCantFindNibFile);
    EXPECT_EQ(CreateNibReferenceWithCFBundle(nullptr, nibName.Get(), &nib), paramErr);
    EXPECT_EQ(nib, nullptr);
}

}  // namespace
