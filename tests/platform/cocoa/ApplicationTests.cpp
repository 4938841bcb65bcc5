// The view the host installs as a services requestor, and the responder chain. (What each of its
// modes gives a caller is met through the plug-in's Cocoa helper.)
#include "CocoaTestSupport.h"

namespace {

using CocoaApplicationTest = CocoaObjectsTest;

NSResponder* FocusedView()
{
    return NSApp->keyWindow()->firstResponder();
}

TEST_F(CocoaApplicationTest, TheViewSendsItsOwnCopyOfTheSelectionOnlyAsAPlainString)
{
    CFMutableStringRef selection = CFStringCreateMutable(nullptr, 0);
    CFStringAppendCString(selection, "selected", kCFStringEncodingUTF8);
    PlatformInstallCocoaApplication(selection, kPlatformCocoaViewWritesSelection);
    CFStringAppendCString(selection, " and more", kCFStringEncodingUTF8);
    CFRelease(selection);

    NSResponder* view = FocusedView();
    ASSERT_NE(view, nullptr);
    auto* services = dynamic_cast<NSServicesRequests*>(view->validRequestorForSendType(NSStringPboardType, nil));
    ASSERT_NE(services, nullptr);
    // It takes nothing back, and sends nothing but strings.
    EXPECT_EQ(view->validRequestorForSendType(NSStringPboardType, NSStringPboardType), nullptr);
    EXPECT_EQ(view->validRequestorForSendType(CFSTR("NSTIFFPboardType"), nil), nullptr);
    EXPECT_EQ(view->validRequestorForSendType(nil, nil), nullptr);
    NSAutoreleasePool pool;
    NSPasteboard* pasteboard = NSPasteboard::pasteboardWithUniqueName();
    EXPECT_FALSE(services->writeSelectionToPasteboard(pasteboard, NSArray::arrayWithObject(CFSTR("NSTIFFPboardType"))));
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);
    EXPECT_FALSE(services->writeSelectionToPasteboard(pasteboard, nil));
    EXPECT_TRUE(services->writeSelectionToPasteboard(pasteboard, NSArray::arrayWithObject(NSStringPboardType)));
    EXPECT_TRUE(CFEqual(pasteboard->stringForType(NSStringPboardType), CFSTR("selected")));
    pasteboard->releaseGlobally();
}

// A responder that answers for itself, to see the chain passed along.
class Sender : public NSResponder, public NSServicesRequests {
public:
    id validRequestorForSendType(NSString*, NSString*) override { return this; }
    BOOL writeSelectionToPasteboard(NSPasteboard*, NSArray*) override { return NO; }
};

TEST_F(CocoaApplicationTest, RespondersAskTheNextOneAndWindowsHoldTheirFirstResponder)
{
    auto* window = new NSWindow;
    auto* plain = new NSResponder;
    auto* sender = new Sender;
    EXPECT_EQ(plain->validRequestorForSendType(NSStringPboardType, nil), nullptr);
    plain->setNextResponder(sender);
    EXPECT_EQ(plain->validRequestorForSendType(NSStringPboardType, nil), static_cast<id>(sender));

    EXPECT_TRUE(window->makeFirstResponder(plain));
    EXPECT_EQ(plain->retainCount(), 2u);
    EXPECT_TRUE(window->makeFirstResponder(plain));  // the same one again keeps one hold
    EXPECT_EQ(plain->retainCount(), 2u);
    EXPECT_FALSE(window->makeFirstResponder(window));
    EXPECT_EQ(window->firstResponder(), plain);
    EXPECT_TRUE(window->makeFirstResponder(sender));
    EXPECT_EQ(plain->retainCount(), 1u);
    EXPECT_TRUE(window->makeFirstResponder(nil));
    EXPECT_EQ(window->firstResponder(), nullptr);

    window->makeFirstResponder(sender);
    plain->release();
    sender->release();
    window->release();  // takes the sender with it
}

}  // namespace
