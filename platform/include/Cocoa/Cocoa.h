// The Cocoa application objects of a host application, as C++ classes: the application, its key
// window, the window's first responder, the services requestor that hands out a selection, private
// pasteboards, one-element arrays, exceptions and NSLog.
//
// Strings are the platform's strings: NSString is the object a CFStringRef points to, so an
// NSString* is a CFStringRef and is retained and released as one.
//
// Object lifetimes follow Cocoa's rules: an object made with new starts with one reference,
// retain adds one, release gives one back and deletes the object at the last. Class methods that
// return a new object (arrayWithObject, pasteboardWithUniqueName) return it autoreleased: it lives
// until the innermost NSAutoreleasePool on the calling thread is drained.
//
// Exceptions are NSException values thrown as C++ exceptions; catch them by const reference.
//
// As in a Cocoa application, the application, window and view objects are used from the main
// thread only: reference counts are not atomic. Only the pasteboard server is shared by threads.
//
// The application object exists only in a host that plays a Cocoa application (the host installs
// it): otherwise NSApp is nil, and sharedApplication answers nil instead of making one, so that a
// plug-in never turns its host into a Cocoa application.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <stdarg.h>

// Every class here is shared by the platform library and the code that uses it: its type
// information must be the one copy in the platform library, also for callers built with hidden
// symbols.
#define PLATFORM_COCOA_EXPORT __attribute__((visibility("default")))

typedef signed char BOOL;
#define YES ((BOOL)1)
#define NO ((BOOL)0)
#define nil nullptr

typedef unsigned long NSUInteger;
typedef long NSInteger;

typedef const struct OpaqueCFString NSString;

class NSObject;
typedef NSObject* id;

// The root class: an intrusive reference count.
class PLATFORM_COCOA_EXPORT NSObject {
public:
    NSObject();
    virtual ~NSObject();
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;

    // Adds one reference; answers the object itself.
    NSObject* retain();
    // Gives one reference back; the last one deletes the object.
    void release();
    // Hands one reference to the innermost autorelease pool of the calling thread, which gives it
    // back when it is drained. With no pool in place the reference is logged and leaked, as Cocoa
    // does. Answers the object itself.
    NSObject* autorelease();
    NSUInteger retainCount() const;

private:
    NSUInteger mRetainCount;
};

// A scope that collects autoreleased objects and releases them when it ends. Pools nest; each
// belongs to the thread that made it and must end in the reverse order of their making.
class PLATFORM_COCOA_EXPORT NSAutoreleasePool {
public:
    NSAutoreleasePool();
    ~NSAutoreleasePool();
    NSAutoreleasePool(const NSAutoreleasePool&) = delete;
    NSAutoreleasePool& operator=(const NSAutoreleasePool&) = delete;

    // Releases what has been collected so far; the pool stays in place.
    void drain();

    // The pool for the calling thread's next autorelease, or nil.
    static NSAutoreleasePool* currentPool();
    // Takes over one reference to object.
    void addObject(NSObject* object);

private:
    struct Contents;
    Contents* mContents;
    NSAutoreleasePool* mOuter;
};

// A Cocoa exception: a name and a reason, thrown as a C++ exception with raise.
class PLATFORM_COCOA_EXPORT NSException {
public:
    // Retains both strings; either may be NULL.
    NSException(NSString* name, NSString* reason);
    NSException(const NSException& other);
    NSException& operator=(const NSException& other);
    virtual ~NSException();

    // Throws a new exception with this name and reason.
    [[noreturn]] static void raise(NSString* name, NSString* reason);

    // Borrowed: valid while the exception lives.
    NSString* name() const { return mName; }
    NSString* reason() const { return mReason; }
    // What a log shows for the exception: its reason (or its name when it has none). Borrowed.
    NSString* description() const;

private:
    NSString* mName;
    NSString* mReason;
};

// Names of the exceptions that the platform raises itself.
extern PLATFORM_COCOA_EXPORT NSString* const NSGenericException;
extern PLATFORM_COCOA_EXPORT NSString* const NSInvalidArgumentException;
extern PLATFORM_COCOA_EXPORT NSString* const NSInternalInconsistencyException;
extern PLATFORM_COCOA_EXPORT NSString* const NSRangeException;

// An immutable array of strings (or any platform objects).
class PLATFORM_COCOA_EXPORT NSArray : public NSObject {
public:
    // A new one-element array, autoreleased. The array retains the object.
    static NSArray* arrayWithObject(CFTypeRef object);

    NSUInteger count() const;
    // Borrowed. An index out of range raises NSRangeException.
    CFTypeRef objectAtIndex(NSUInteger index) const;
    // Whether an element equal to object (CFEqual) is in the array.
    BOOL containsObject(CFTypeRef object) const;

protected:
    explicit NSArray(CFArrayRef adopted);
    ~NSArray() override;

private:
    CFArrayRef mArray;
};

// A named pasteboard of typed strings. Pasteboards are registered by name with the process's
// pasteboard server, which holds one reference to each until it is released globally.
class PLATFORM_COCOA_EXPORT NSPasteboard : public NSObject {
public:
    // A new empty pasteboard under a name that no other pasteboard has, autoreleased (the server
    // holds its own reference until releaseGlobally).
    static NSPasteboard* pasteboardWithUniqueName();

    NSString* name() const;
    // Makes the pasteboard hold exactly these types, all without data yet; answers the new change
    // count.
    NSInteger declareTypes(NSArray* newTypes, id newOwner);
    // Stores a copy of the string for a declared type; NO for a NULL string or a type that was not
    // declared.
    BOOL setString(NSString* string, NSString* dataType);
    // The string stored for the type, or nil. Borrowed: valid while the pasteboard holds it.
    NSString* stringForType(NSString* dataType) const;
    // Removes the pasteboard from the server and drops its contents: no other process or caller
    // finds it by name any more.
    void releaseGlobally();

protected:
    explicit NSPasteboard(CFStringRef name);
    ~NSPasteboard() override;

private:
    struct Contents;
    Contents* mContents;
};

// The pasteboard type of plain strings.
extern PLATFORM_COCOA_EXPORT NSString* const NSStringPboardType;

// The services protocol of a requestor: an object that can put its selection on a pasteboard.
class PLATFORM_COCOA_EXPORT NSServicesRequests {
public:
    virtual ~NSServicesRequests();
    // Writes the selection in as many of types as it can; YES when it wrote any.
    virtual BOOL writeSelectionToPasteboard(NSPasteboard* pboard, NSArray* types) = 0;
};

// An object in the responder chain of a window.
class PLATFORM_COCOA_EXPORT NSResponder : public NSObject {
public:
    NSResponder();
    ~NSResponder() override;

    // The object that can send data of sendType and take back returnType (either may be nil), or
    // nil. The object answered implements NSServicesRequests. By default the next responder is
    // asked; with none, nil.
    virtual id validRequestorForSendType(NSString* sendType, NSString* returnType);

    NSResponder* nextResponder() const { return mNextResponder; }
    // Not retained: the chain is owned by whoever owns its members, as in Cocoa.
    void setNextResponder(NSResponder* next) { mNextResponder = next; }

private:
    NSResponder* mNextResponder;
};

class PLATFORM_COCOA_EXPORT NSWindow : public NSResponder {
public:
    NSWindow();
    ~NSWindow() override;

    // The window's focused responder, or nil (a new window has none). Not retained for the caller.
    NSResponder* firstResponder() const { return mFirstResponder; }
    // Makes responder the first responder (nil: none); the window retains it. The window itself is
    // never its own first responder here, so that it never holds a reference to itself.
    BOOL makeFirstResponder(NSResponder* responder);

private:
    NSResponder* mFirstResponder;  // retained, or nil
};

class PLATFORM_COCOA_EXPORT NSApplication : public NSResponder {
public:
    NSApplication();
    ~NSApplication() override;

    // The host's application object (NSApp), or nil when the host is not a Cocoa application.
    static NSApplication* sharedApplication();

    // The window that receives the keyboard, or nil (not retained by the caller).
    NSWindow* keyWindow() const { return mKeyWindow; }
    // The application retains the window; nil leaves no key window.
    void setKeyWindow(NSWindow* window);

private:
    NSWindow* mKeyWindow;  // retained, or nil
};

// The host's application object; nil in a host that is not a Cocoa application.
extern PLATFORM_COCOA_EXPORT NSApplication* NSApp;

// Writes "<date> <process>[<pid>] <message>" and a newline to standard error. The format is a
// printf-style string with %@ for platform objects (CFStringCreateWithFormat).
PLATFORM_COCOA_EXPORT void NSLog(NSString* format, ...);
PLATFORM_COCOA_EXPORT void NSLogv(NSString* format, va_list arguments);
