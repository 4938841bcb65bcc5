// The selected text of a Cocoa host, asked of its focused view through the services mechanism.
#include "support/CocoaHelper.h"

namespace {

// A private pasteboard, released for all processes on every way out (an exception included), so
// that no pasteboard made here outlives the question.
class StGlobalPasteboard {
public:
    explicit StGlobalPasteboard(NSPasteboard* pasteboard) : mPasteboard(pasteboard) {}
    ~StGlobalPasteboard()
    {
        if (mPasteboard != nil) {
            mPasteboard->releaseGlobally();
        }
    }
    StGlobalPasteboard(const StGlobalPasteboard&) = delete;
    StGlobalPasteboard& operator=(const StGlobalPasteboard&) = delete;

    NSPasteboard* Get() const { return mPasteboard; }

private:
    NSPasteboard* mPasteboard;
};

// The object that can send the selection of the key window's focused view as a plain string, or
// nil. May raise whatever the host's objects raise.
id FindStringRequestor()
{
    NSApplication* application = NSApplication::sharedApplication();
    if (application == nil) {
        return nil;
    }
    NSWindow* window = application->keyWindow();
    if (window == nil) {
        return nil;
    }
    NSResponder* responder = window->firstResponder();
    if (responder == nil) {
        return nil;
    }
    return responder->validRequestorForSendType(NSStringPboardType, nil);
}

}  // namespace

Boolean hostIsACarbonApp()
{
    return NSApp == nil;
}

Boolean isHostACocoaApp()
{
    return NSApp != nil;
}

Boolean cocoaAppHasStringSelection()
{
    if (NSApp == nil) {
        return false;
    }
    try {
        NSAutoreleasePool pool;
        return FindStringRequestor() != nil;
    } catch (const NSException& exception) {
        NSLog(CFSTR("cocoaAppHasStringSelection received exception: %@"), exception.description());
        return false;
    }
}

CFStringRef currentCocoaStringSelection()
{
    if (NSApp == nil) {
        return nullptr;
    }
    try {
        // Everything autoreleased while asking (the pasteboard, the type list) is given back
        // before the answer leaves.
        NSAutoreleasePool pool;
        auto* requestor = dynamic_cast<NSServicesRequests*>(FindStringRequestor());
        if (requestor == nullptr) {
            return nullptr;
        }
        StGlobalPasteboard pasteboard(NSPasteboard::pasteboardWithUniqueName());
        // Whether the requestor says it wrote anything does not matter: the pasteboard tells.
        requestor->writeSelectionToPasteboard(pasteboard.Get(), NSArray::arrayWithObject(NSStringPboardType));
        NSString* selection = pasteboard.Get()->stringForType(NSStringPboardType);
        if (selection == nil) {
            return nullptr;
        }
        return static_cast<CFStringRef>(CFRetain(selection));
    } catch (const NSException& exception) {
        NSLog(CFSTR("currentCocoaStringSelection received exception: %@"), exception.description());
        return nullptr;
    }
}
