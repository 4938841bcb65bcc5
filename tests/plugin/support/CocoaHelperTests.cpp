// The selected text of a Cocoa host: hosts without an application object, views that cannot send,
// views that write nothing or raise, and the private pasteboard that must always go away.
#include "support/CFObj.h"
#include "support/CocoaHelper.h"

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
        if (selection.Get() == nullptr) {
            return "<null>";
        }
        char text[256] = {};
        EXPECT_TRUE(CFStringGetCString(selection, text, sizeof text, kCFStringEncodingUTF8));
        return text;
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

TEST_F(CocoaHelperTest, MissingWindowResponderOrRequestorAnswersNegativelyWithoutLog)
{
    const PlatformCocoaMode modes[] = {kPlatformCocoaNoKeyWindow, kPlatformCocoaNoFirstResponder,
                                       kPlatformCocoaViewWritesSelection};
    for (PlatformCocoaMode mode : modes) {
        // In the writing mode, a view without a selection cannot send strings.
        PlatformInstallCocoaApplication(mode == kPlatformCocoaViewWritesSelection ? nullptr : CFSTR("text"), mode);
        EXPECT_FALSE(HasSelection()) << mode;
        EXPECT_EQ(Selection(), "<null>") << mode;
        EXPECT_EQ(mLog, "") << mode;
    }
}

TEST_F(CocoaHelperTest, ARequestorThatWritesNothingGivesNoneAndThePasteboardStillGoes)
{
    PlatformInstallCocoaApplication(CFSTR("never written"), kPlatformCocoaViewWritesNothing);
    EXPECT_TRUE(HasSelection());
    EXPECT_EQ(Selection(), "<null>");
    EXPECT_EQ(mLog, "");
    // TearDown checks the pasteboard count.
}

TEST_F(CocoaHelperTest, AnExceptionWhileWritingIsLoggedOnceAndAnsweredAsNone)
{
    PlatformInstallCocoaApplication(CFSTR("text"), kPlatformCocoaViewRaisesWhileWriting);
    EXPECT_TRUE(HasSelection());
    EXPECT_EQ(mLog, "");
    EXPECT_EQ(Selection(), "<null>");
    EXPECT_TRUE(std::regex_match(mLog, LogLine("currentCocoaStringSelection"))) << mLog;
}

TEST_F(CocoaHelperTest, AnExceptionWhileValidatingIsLoggedOnceByEachFunction)
{
    PlatformInstallCocoaApplication(CFSTR("text"), kPlatformCocoaViewRaisesWhileValidating);
    EXPECT_FALSE(HasSelection());
    EXPECT_TRUE(std::regex_match(mLog, LogLine("cocoaAppHasStringSelection"))) << mLog;
    EXPECT_EQ(Selection(), "<null>");
    EXPECT_TRUE(std::regex_match(mLog, LogLine("currentCocoaStringSelection"))) << mLog;
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
