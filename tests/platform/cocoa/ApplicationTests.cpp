// The application object that the host installs, its window and focused view, the responder
// chain, and the view as a services requestor in every mode.
#include "CocoaTestSupport.h"

#include <string>

namespace {

using CocoaApplicationTest = CocoaObjectsTest;

// The text the installed view writes to a fresh pasteboard; "<none>" when it writes nothing.
std::string WrittenSelection(id requestor)
{
    auto* services = dynamic_cast<NSServicesRequests*>(requestor);
    if (services == nullptr) {
        return "<not a requestor>";
    }
    NSAutoreleasePool pool;
    // Released globally also when the view raises.
    struct GlobalRelease {
        NSPasteboard* pasteboard;
        ~GlobalRelease() { pasteboard->releaseGlobally(); }
    } owner{NSPasteboard::pasteboardWithUniqueName()};
    services->writeSelectionToPasteboard(owner.pasteboard, NSArray::arrayWithObject(NSStringPboardType));
    NSString* written = owner.pasteboard->stringForType(NSStringPboardType);
    char text[128] = "<none>";
    if (written != nullptr) {
        CFStringGetCString(written, text, sizeof text, kCFStringEncodingUTF8);
    }
    return text;
}

NSResponder* FocusedView()
{
    return NSApp->keyWindow()->firstResponder();
}

TEST_F(CocoaApplicationTest, NoApplicationUntilTheHostInstallsOne)
{
    EXPECT_EQ(NSApp, nullptr);
    EXPECT_EQ(NSApplication::sharedApplication(), nullptr);
    PlatformInstallCocoaApplication(CFSTR("x"), kPlatformCocoaViewWritesSelection);
    ASSERT_NE(NSApp, nullptr);
    EXPECT_EQ(NSApplication::sharedApplication(), NSApp);
    EXPECT_EQ(ObjectsMade(), 3);  // application, window, view
    // Installing again replaces the whole set.
    PlatformInstallCocoaApplication(nullptr, kPlatformCocoaNoKeyWindow);
    EXPECT_EQ(NSApp->keyWindow(), nullptr);
    EXPECT_EQ(ObjectsMade(), 1);
    PlatformRemoveCocoaApplication();
    EXPECT_EQ(NSApp, nullptr);
    EXPECT_EQ(ObjectsMade(), 0);
}

TEST_F(CocoaApplicationTest, TheViewSendsItsOwnCopyOfTheSelectionAsAPlainString)
{
    CFMutableStringRef selection = CFStringCreateMutable(nullptr, 0);
    CFStringAppendCString(selection, "selected", kCFStringEncodingUTF8);
    PlatformInstallCocoaApplication(selection, kPlatformCocoaViewWritesSelection);
    CFStringAppendCString(selection, " and more", kCFStringEncodingUTF8);
    CFRelease(selection);

    NSResponder* view = FocusedView();
    ASSERT_NE(view, nullptr);
    id requestor = view->validRequestorForSendType(NSStringPboardType, nil);
    EXPECT_EQ(WrittenSelection(requestor), "selected");
    // It takes nothing back, and sends nothing but strings.
    EXPECT_EQ(view->validRequestorForSendType(NSStringPboardType, NSStringPboardType), nullptr);
    EXPECT_EQ(view->validRequestorForSendType(CFSTR("NSTIFFPboardType"), nil), nullptr);
    EXPECT_EQ(view->validRequestorForSendType(nil, nil), nullptr);
}

TEST_F(CocoaApplicationTest, TheViewWritesOnlyWhenAskedForStrings)
{
    PlatformInstallCocoaApplication(CFSTR("text"), kPlatformCocoaViewWritesSelection);
    auto* services = dynamic_cast<NSServicesRequests*>(FocusedView()->validRequestorForSendType(NSStringPboardType, nil));
    ASSERT_NE(services, nullptr);
    NSAutoreleasePool pool;
    NSPasteboard* pasteboard = NSPasteboard::pasteboardWithUniqueName();
    EXPECT_FALSE(services->writeSelectionToPasteboard(pasteboard, NSArray::arrayWithObject(CFSTR("NSTIFFPboardType"))));
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);
    EXPECT_FALSE(services->writeSelectionToPasteboard(pasteboard, nil));
    EXPECT_TRUE(services->writeSelectionToPasteboard(pasteboard, NSArray::arrayWithObject(NSStringPboardType)));
    pasteboard->releaseGlobally();
}

TEST_F(CocoaApplicationTest, ModesShapeTheWindowTheViewAndItsFailures)
{
    PlatformInstallCocoaApplication(CFSTR("text"), kPlatformCocoaNoFirstResponder);
    ASSERT_NE(NSApp->keyWindow(), nullptr);
    EXPECT_EQ(NSApp->keyWindow()->firstResponder(), nullptr);

    PlatformInstallCocoaApplication(nullptr, kPlatformCocoaViewWritesSelection);
    EXPECT_EQ(FocusedView()->validRequestorForSendType(NSStringPboardType, nil), nullptr);

    PlatformInstallCocoaApplication(nullptr, kPlatformCocoaViewWritesNothing);
    id requestor = FocusedView()->validRequestorForSendType(NSStringPboardType, nil);
    EXPECT_EQ(WrittenSelection(requestor), "<none>");

    PlatformInstallCocoaApplication(CFSTR("text"), kPlatformCocoaViewRaisesWhileWriting);
    requestor = FocusedView()->validRequestorForSendType(NSStringPboardType, nil);
    ASSERT_NE(requestor, nullptr);
    EXPECT_THROW(WrittenSelection(requestor), NSException);

    PlatformInstallCocoaApplication(CFSTR("text"), kPlatformCocoaViewRaisesWhileValidating);
    try {
        FocusedView()->validRequestorForSendType(NSStringPboardType, nil);
        ADD_FAILURE() << "no exception";
    } catch (const NSException& caught) {
        EXPECT_TRUE(CFEqual(caught.name(), CFSTR("PlatformTestException")));
        EXPECT_TRUE(CFEqual(caught.reason(), CFSTR("the focused view failed on purpose")));
    }
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
