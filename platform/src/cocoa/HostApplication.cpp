// The Cocoa application that the host plays: an application object with one key window whose
// first responder is a text view holding the selection. The view can be made to misbehave, so that
// the code asking it for its selection can be tested on every path.
#include <Cocoa/Cocoa.h>
#include <PlatformHost.h>

#include "base/CFOwner.h"

namespace {

NSString* const kTestExceptionName = CFSTR("PlatformTestException");
NSString* const kTestExceptionReason = CFSTR("the focused view failed on purpose");

class HostTextView : public NSResponder, public NSServicesRequests {
public:
    HostTextView(CFStringRef selection, PlatformCocoaMode mode)
        : mSelection(
              platform::AdoptCF(selection != nullptr ? CFStringCreateCopy(kCFAllocatorDefault, selection) : nullptr)),
          mMode(mode)
    {
    }

    id validRequestorForSendType(NSString* sendType, NSString* returnType) override
    {
        if (mMode == kPlatformCocoaViewRaisesWhileValidating) {
            NSException::raise(kTestExceptionName, kTestExceptionReason);
        }
        // The view sends plain strings and takes nothing back: it is read-only here.
        bool sendsString = sendType != nullptr && CFEqual(sendType, NSStringPboardType);
        bool hasSomethingToSend = mSelection || mMode != kPlatformCocoaViewWritesSelection;
        if (sendsString && returnType == nullptr && hasSomethingToSend) {
            return this;
        }
        return NSResponder::validRequestorForSendType(sendType, returnType);
    }

    BOOL writeSelectionToPasteboard(NSPasteboard* pboard, NSArray* types) override
    {
        if (mMode == kPlatformCocoaViewRaisesWhileWriting) {
            NSException::raise(kTestExceptionName, kTestExceptionReason);
        }
        if (mMode == kPlatformCocoaViewWritesNothing || !mSelection || pboard == nullptr ||
            types == nullptr || !types->containsObject(NSStringPboardType)) {
            return NO;
        }
        pboard->declareTypes(NSArray::arrayWithObject(NSStringPboardType), nil);
        return pboard->setString(mSelection.Get(), NSStringPboardType);
    }

private:
    platform::CFOwner<CFStringRef> mSelection;  // a copy, or empty
    PlatformCocoaMode mMode;
};

}  // namespace

extern "C" void PlatformInstallCocoaApplication(CFStringRef selectionOrNull, PlatformCocoaMode mode)
{
    PlatformRemoveCocoaApplication();
    auto* application = new NSApplication();
    if (mode != kPlatformCocoaNoKeyWindow) {
        auto* window = new NSWindow();
        application->setKeyWindow(window);
        window->release();
        if (mode != kPlatformCocoaNoFirstResponder) {
            auto* view = new HostTextView(selectionOrNull, mode);
            window->makeFirstResponder(view);
            view->release();
        }
    }
    NSApp = application;
}

extern "C" void PlatformRemoveCocoaApplication(void)
{
    NSApplication* application = NSApp;
    NSApp = nullptr;  // nobody finds the application while it is being taken apart
    if (application != nullptr) {
        application->release();
    }
}
