// Helpers for the dialog tests: a bundle holding an interface file, the "New Clip" window of the
// plug-in's dialog, owners for windows and strings, and a UI driver installed for one test.
#pragma once

#include "platform/bundle/BundleTestSupport.h"

#include <Carbon/Carbon.h>
#include <PlatformUIDriver.h>

#include <gtest/gtest.h>

#include <string>

namespace hitoolboxtest {

using bundletest::MakeString;
using bundletest::TakeText;
using bundletest::TextOf;
using platform::AdoptCF;
using platform::CFOwner;

// An interface file with the given windows (the body of the "windows" dictionary).
inline std::string InterfaceFile(const std::string& windows)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>windows</key>\n\t<dict>\n" +
           windows + "\t</dict>\n</dict>\n</plist>\n";
}

inline std::string Frame(int x, int y, int width, int height)
{
    return "<key>frame</key><array><integer>" + std::to_string(x) + "</integer><integer>" + std::to_string(y) +
           "</integer><integer>" + std::to_string(width) + "</integer><integer>" + std::to_string(height) +
           "</integer></array>";
}

// The dialog the plug-in shows: a label, the name field ('Swdg', 3), the two check boxes
// ('Swdg', 5 and 6, sending 'secu' and 'plai'), Cancel and the default OK.
inline std::string NewClipWindow(bool withCancel = true)
{
    return "\t\t<key>New Clip</key>\n\t\t<dict>\n"
           "\t\t\t<key>title</key><string>New Clip</string>\n"
           "\t\t\t<key>width</key><integer>360</integer><key>height</key><real>172.5</real>\n"
           "\t\t\t<key>controls</key><array>\n"
           "\t\t\t\t<dict><key>kind</key><string>staticText</string><key>title</key><string>Name:</string>" +
           Frame(20, 14, 70, 16) +
           "</dict>\n"
           "\t\t\t\t<dict><key>kind</key><string>editText</string><key>signature</key><string>Swdg</string>"
           "<key>id</key><integer>3</integer>" +
           Frame(95, 12, 226, 22) +
           "</dict>\n"
           "\t\t\t\t<dict><key>kind</key><string>checkBox</string><key>signature</key><string>Swdg</string>"
           "<key>id</key><integer>5</integer><key>title</key><string>Secure</string>"
           "<key>command</key><string>secu</string>" +
           Frame(95, 84, 200, 18) +
           "</dict>\n"
           "\t\t\t\t<dict><key>kind</key><string>checkBox</string><key>signature</key><string>Swdg</string>"
           "<key>id</key><integer>6</integer><key>title</key><string>Plain text only</string>"
           "<key>command</key><string>plai</string>" +
           Frame(95, 106, 200, 18) + "</dict>\n" +
           (withCancel ? "\t\t\t\t<dict><key>kind</key><string>pushButton</string><key>title</key>"
                         "<string>Cancel</string><key>command</key><string>not!</string>" +
                             Frame(180, 136, 80, 20) + "</dict>\n"
                       : std::string()) +
           "\t\t\t\t<dict><key>kind</key><string>pushButton</string><key>title</key><string>OK</string>"
           "<key>command</key><string>ok  </string><key>default</key><true/>" +
           Frame(270, 136, 80, 20) +
           "</dict>\n"
           "\t\t\t</array>\n\t\t</dict>\n";
}

// A bundle folder with Info.plist and, when nib is not empty, Resources/English.lproj/Dialogs.nib.
class NibBundle {
public:
    explicit NibBundle(const std::string& nib)
    {
        mPath = mDir.Child("Dialogs.plugin");
        bundletest::WriteBundleFile(
            mPath + "/Contents/Info.plist",
            bundletest::InfoPlist("\t<key>CFBundleIdentifier</key>\n\t<string>org.stashwell.dialogs</string>\n"));
        if (!nib.empty()) {
            bundletest::WriteBundleFile(NibPath(), nib);
        }
        auto url = AdoptCF<CFURLRef>(bundletest::MakeURL(mPath, true));
        mBundle = AdoptCF<CFBundleRef>(CFBundleCreate(nullptr, url.Get()));
    }

    CFBundleRef get() const { return mBundle.Get(); }
    std::string NibPath() const { return mPath + "/Contents/Resources/English.lproj/Dialogs.nib"; }

private:
    testsupport::ScopedTempDir mDir;
    std::string mPath;
    CFOwner<CFBundleRef> mBundle;
};

// Owns a window until the test ends (DisposeWindow).
class OwnedWindow {
public:
    explicit OwnedWindow(WindowRef window = nullptr) : mWindow(window) {}
    ~OwnedWindow()
    {
        if (mWindow != nullptr) {
            DisposeWindow(mWindow);
        }
    }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
    WindowRef get() const { return mWindow; }
    operator WindowRef() const { return mWindow; }

private:
    WindowRef mWindow;
};

// Makes the named window of an interface file through a bundle; status in *status.
inline WindowRef WindowFromNib(const NibBundle& bundle, const char* windowName, OSStatus* status)
{
    IBNibRef nib = nullptr;
    auto nibName = AdoptCF<CFStringRef>(MakeString("Dialogs"));
    *status = CreateNibReferenceWithCFBundle(bundle.get(), nibName.Get(), &nib);
    if (*status != noErr) {
        return nullptr;
    }
    WindowRef window = nullptr;
    auto name = AdoptCF<CFStringRef>(MakeString(windowName));
    *status = CreateWindowFromNib(nib, name.Get(), &window);
    DisposeNibReference(nib);
    return window;
}

// A test with the "New Clip" window of the plug-in's dialog; the window is disposed of afterwards
// unless the test disposed of it itself (and set mWindow to NULL).
class NewClipWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        OSStatus status = 0;
        mWindow = WindowFromNib(mBundle, "New Clip", &status);
        ASSERT_EQ(status, noErr);
    }
    void TearDown() override
    {
        if (mWindow != nullptr) {
            DisposeWindow(mWindow);
        }
    }

    NibBundle mBundle{InterfaceFile(NewClipWindow())};
    WindowRef mWindow = nullptr;
};

inline ControlRef Control(WindowRef window, SInt32 id, OSType signature = 'Swdg')
{
    ControlID controlID{signature, id};
    ControlRef control = nullptr;
    GetControlByID(window, &controlID, &control);
    return control;
}

inline std::string TextOf(ControlRef control, ControlPartCode part = kControlEntireControl)
{
    CFStringRef text = nullptr;
    OSStatus status = GetControlData(control, part, kControlEditTextCFStringTag, sizeof text, &text, nullptr);
    return status == noErr ? TakeText(text) : "(status " + std::to_string(status) + ")";
}

inline OSStatus SetTextOf(ControlRef control, const std::string& value, ControlPartCode part = kControlEntireControl)
{
    auto text = AdoptCF<CFStringRef>(MakeString(value));
    CFStringRef ref = text.Get();
    return SetControlData(control, part, kControlEditTextCFStringTag, sizeof ref, &ref);
}

// Installs a driver for the length of a test and removes it afterwards.
class ScopedUIDriver {
public:
    explicit ScopedUIDriver(const PlatformUIDriver& driver) { PlatformInstallUIDriver(&driver); }
    ~ScopedUIDriver() { PlatformInstallUIDriver(nullptr); }
    ScopedUIDriver(const ScopedUIDriver&) = delete;
    ScopedUIDriver& operator=(const ScopedUIDriver&) = delete;
};

}  // namespace hitoolboxtest
