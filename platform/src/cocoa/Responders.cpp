// The responder chain's members: the application object, its key window and the window's first
// responder.
#include <Cocoa/Cocoa.h>

NSApplication* NSApp = nullptr;

NSServicesRequests::~NSServicesRequests() = default;

NSResponder::NSResponder() : mNextResponder(nullptr) {}

NSResponder::~NSResponder() = default;

id NSResponder::validRequestorForSendType(NSString* sendType, NSString* returnType)
{
    if (mNextResponder != nullptr) {
        return mNextResponder->validRequestorForSendType(sendType, returnType);
    }
    return nil;
}

NSWindow::NSWindow() : mFirstResponder(nullptr) {}

NSWindow::~NSWindow()
{
    if (mFirstResponder != nullptr) {
        mFirstResponder->release();
    }
}

BOOL NSWindow::makeFirstResponder(NSResponder* responder)
{
    if (responder == this) {
        return NO;
    }
    if (responder != nullptr) {
        responder->retain();  // before the old one goes: it may be the same responder
    }
    if (mFirstResponder != nullptr) {
        mFirstResponder->release();
    }
    mFirstResponder = responder;
    return YES;
}

NSApplication::NSApplication() : mKeyWindow(nullptr) {}

NSApplication::~NSApplication()
{
    if (mKeyWindow != nullptr) {
        mKeyWindow->release();
    }
}

NSApplication* NSApplication::sharedApplication()
{
    return NSApp;
}

void NSApplication::setKeyWindow(NSWindow* window)
{
    if (window != nullptr) {
        window->retain();
    }
    if (mKeyWindow != nullptr) {
        mKeyWindow->release();
    }
    mKeyWindow = window;
}
