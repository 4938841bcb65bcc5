// The selected text of a Cocoa host: hosts without an application object, views that cannot send,
// views that write nothing or raise, and the private pasteboard that must always go away.
#include "support/CFObj.h"
#include "support/CocoaHelper.h"

#include "plugin/support/TextTesting.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

class CocoaHelperTest : public testing::Test {
protected:
    void SetUp() override
    {
        mPasteboardsAtStart = PlatformCocoaPasteboardCount();
        mObjectsAtStart = PlatformCocoaLiveObjectCount();
    }

    void TearDown() override
    {
        PlatformRemoveCocoaApplication();
        EXPECT_EQ(PlatformCocoaPasteboardCount(), mPasteboardsAtStart) << "a private pasteboard was not released";
        EXPECT_EQ(PlatformCocoaLiveObjectCount(), mObjectsAtStart);
    }

    // The selection as a standard string, "<null>" when there is none; what was logged goes to
    // mLog.
    std::string Selection()
    {
        testing::internal::CaptureStderr();
        CFObj<CFStringRef> selection(currentCocoaStringSelection());
        mLog = testing::internal::GetCapturedStderr();
        return texttest::TextOf(selection.Get());
    }

    bool HasSelection()
    {
        testing::internal::CaptureStderr();
        bool answer = cocoaAppHasStringSelection();
        mLog = testing::internal::GetCapturedStderr();
        return answer;
    }

    std::string mLog;

private:
    long mPasteboardsAtStart = 0;
    long mObjectsAtStart = 0;
};

// One NSLog line with the message given, the exception's reason filled in for %@.
std::regex LogLine(const std::string& function)
{
    return std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} [^ \\[]+\\[\\d+\\] " + function +
                      " received exception: the focused view failed on purpose\n");
}

TEST_F(CocoaHelperTest, AHostWithoutApplicationObjectAnswersAtOnce)
{
    EXPECT_TRUE(hostIsACarbonApp());
    EXPECT_FALSE(isHostACocoaApp());
    EXPECT_FALSE(HasSelection());
    EXPECT_EQ(Selection(), "<null>");
    EXPECT_EQ(mLog, "");
}

TEST_F(CocoaHelperTest, TheFocusedViewsSelectionComesBackAsANewString)
{
    CFObj<CFMutableStringRef> text(CFStringCreateMutable(nullptr, 0));
    CFStringAppendCString(text, "Dear John,\nsee you", kCFStringEncodingUTF8);
    PlatformInstallCocoaApplication(text, kPlatformCocoaViewWritesSelection);
    EXPECT_FALSE(hostIsACarbonApp());
    EXPECT_TRUE(isHostACocoaApp());
    EXPECT_TRUE(HasSelection());
    EXPECT_EQ(Selection(), "Dear John,\nsee you");
    EXPECT_EQ(mLog, "");

    // The caller's reference outlives the pasteboard it was read from and the whole application.
    CFObj<CFStringRef> selection(currentCocoaStringSelection());
    ASSERT_NE(selection.Get(), nullptr);
    PlatformRemoveCocoaApplication();
    EXPECT_EQ(CFGetRetainCount(selection), 1);
    EXPECT_TRUE(CFEqual(selection, text));
}

// What each focused view gives: no selection without a key window, a first responder or (for a
// view without a selection) a requestor; none when the requestor writes nothing; and an exception
// logged once by the function it went through, and answered as none.
TEST_F(CocoaHelperTest, ViewsThatCannotGiveASelectionGiveNone)
{
    const struct {
        PlatformCocoaMode mode;
        CFStringRef text;
        bool hasSelection;
        const char* validationLog;  // the function that logs, or ""
        const char* writingLog;
    } cases[] = {
        {kPlatformCocoaNoKeyWindow, CFSTR("text"), false, "", ""},
        {kPlatformCocoaNoFirstResponder, CFSTR("text"), false, "", ""},
        {kPlatformCocoaViewWritesSelection, nullptr, false, "", ""},
        {kPlatformCocoaViewWritesNothing, CFSTR("never written"), true, "", ""},
        {kPlatformCocoaViewRaisesWhileWriting, CFSTR("text"), true, "", "currentCocoaStringSelection"},
        {kPlatformCocoaViewRaisesWhileValidating, CFSTR("text"), false, "cocoaAppHasStringSelection",
         "currentCocoaStringSelection"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        PlatformInstallCocoaApplication(c.text, c.mode);
        EXPECT_EQ(HasSelection(), c.hasSelection);
        EXPECT_TRUE(*c.validationLog == '\0' ? mLog.empty() : std::regex_match(mLog, LogLine(c.validationLog))) << mLog;
        EXPECT_EQ(Selection(), "<null>");
        EXPECT_TRUE(*c.writingLog == '\0' ? mLog.empty() : std::regex_match(mLog, LogLine(c.writingLog))) << mLog;
        // TearDown checks that every private pasteboard went.
    }
}

// A focused view whose requestor is some other object that does not take part in services.
class ViewWithForeignRequestor : public NSResponder {
public:
    ViewWithForeignRequestor() : mForeign(new NSObject) {}
    ~ViewWithForeignRequestor() override { mForeign->release(); }
    id validRequestorForSendType(NSString* sendType, NSString* returnType) override { return mForeign; }

private:
    NSObject* mForeign;
};

TEST_F(CocoaHelperTest, ARequestorOutsideTheServicesProtocolGivesNone)
{
    auto* application = new NSApplication;
    auto* window = new NSWindow;
    auto* view = new ViewWithForeignRequestor;
    application->setKeyWindow(window);
    window->makeFirstResponder(view);
    window->release();
    view->release();
    NSApp = application;  // released by TearDown's removal

    EXPECT_TRUE(HasSelection());
    EXPECT_EQ(Selection(), "<null>");
    EXPECT_EQ(mLog, "");
}

}  // namespace
