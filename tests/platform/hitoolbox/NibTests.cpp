// Interface files found in a bundle and windows made from them: the good file, a missing window,
// a missing or damaged file, and names that are not plain file names.
#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace hitoolboxtest;

std::string LastError()
{
    CFStringRef error = PlatformCopyLastInterfaceFileError();
    return error != nullptr ? TakeText(error) : std::string();
}

TEST(NibTest, WindowComesHiddenWithTitleAndControlsOfTheFile)
{
    NibBundle bundle(InterfaceFile(NewClipWindow()));
    OSStatus status = 0;
    OwnedWindow window(WindowFromNib(bundle, "New Clip", &status));
    ASSERT_EQ(status, noErr) << LastError();
    ASSERT_NE(window.get(), nullptr);
    EXPECT_EQ(LastError(), "");

    EXPECT_FALSE(IsWindowVisible(window));
    ShowWindow(window);
    EXPECT_TRUE(IsWindowVisible(window));
    CFStringRef title = nullptr;
    ASSERT_EQ(CopyWindowTitleAsCFString(window, &title), noErr);
    EXPECT_EQ(TakeText(title), "New Clip");
    EXPECT_EQ(TakeText(PlatformUICopyWindowName(window)), "New Clip");

    ControlRef name = Control(window, 3);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(TextOf(name), "");
    ControlRef secure = Control(window, 5);
    ASSERT_NE(secure, nullptr);
    EXPECT_EQ(GetControlValue(secure), 0);
    EXPECT_EQ(TakeText(PlatformUICopyControlTitle(secure)), "Secure");
    HIRect frame{};
    ASSERT_EQ(HIViewGetFrame(secure, &frame), noErr);
    EXPECT_EQ(frame.origin.x, 95);
    EXPECT_EQ(frame.origin.y, 84);
    EXPECT_EQ(frame.size.width, 200);

    ASSERT_EQ(PlatformUIGetControlCount(window), 6);
    PlatformUIControlInfo info{};
    ASSERT_TRUE(PlatformUIGetControlInfo(PlatformUIGetControlAtIndex(window, 5), &info));
    EXPECT_EQ(info.kind, kPlatformControlPushButton);
    EXPECT_EQ(info.command, static_cast<MenuCommand>(kHICommandOK));
    EXPECT_TRUE(info.isDefault);
    EXPECT_EQ(PlatformUIGetControlAtIndex(window, 6), nullptr);
    EXPECT_EQ(TakeText(PlatformUICopyControlText(PlatformUIGetControlAtIndex(window, 0))), "Name:");
}

TEST(NibTest, EachWindowIsMadeAfreshAndOutlivesTheReference)
{
    NibBundle bundle(InterfaceFile(NewClipWindow()));
    IBNibRef nib = nullptr;
    auto nibName = AdoptCF<CFStringRef>(MakeString("Dialogs"));
    ASSERT_EQ(CreateNibReferenceWithCFBundle(bundle.get(), nibName.Get(), &nib), noErr);
    auto windowName = AdoptCF<CFStringRef>(MakeString("New Clip"));
    WindowRef first = nullptr;
    WindowRef second = nullptr;
    ASSERT_EQ(CreateWindowFromNib(nib, windowName.Get(), &first), noErr);
    ASSERT_EQ(CreateWindowFromNib(nib, windowName.Get(), &second), noErr);
    OwnedWindow ownFirst(first);
    OwnedWindow ownSecond(second);
    DisposeNibReference(nib);

    ASSERT_EQ(SetTextOf(Control(first, 3), "changed"), noErr);
    EXPECT_EQ(TextOf(Control(first, 3)), "changed");
    EXPECT_EQ(TextOf(Control(second, 3)), "");
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
