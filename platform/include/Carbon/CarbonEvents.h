// Carbon events: event objects with typed parameters, event targets with their handler lists, and
// dispatch. A window has one target. Handlers installed later are called first; a handler that
// answers eventNotHandledErr passes the event on to the next one. Main thread only.
#pragma once

#include <Carbon/MacWindows.h>
#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned long ByteCount;
typedef double EventTime;
typedef UInt32 EventAttributes;
typedef OSType EventParamName;
typedef OSType EventParamType;

// An event is reference-counted with RetainEvent / ReleaseEvent.
typedef struct OpaqueEventRef* EventRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;

typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent, void* inUserData);
// The handler entry is the procedure itself: creating and disposing one allocates nothing.
typedef EventHandlerProcPtr EventHandlerUPP;

typedef struct EventTypeSpec {
    UInt32 eventClass;
    UInt32 eventKind;
} EventTypeSpec;

enum {
    kEventClassCommand = 'cmds',
    kEventClassWindow = 'wind'
};

enum {
    kEventCommandProcess = 1,
    kEventWindowClose = 72
};

enum {
    kEventAttributeNone = 0
};

enum {
    kEventParamDirectObject = '----',
    typeHICommand = 'hcmd'
};

enum {
    eventClassIncorrectErr = -9864,
    eventHandlerAlreadyInstalledErr = -9866,
    eventInternalErr = -9868,
    eventKindIncorrectErr = -9869,
    eventParameterNotFoundErr = -9870,
    eventNotHandledErr = -9874
};

typedef struct OpaqueMenuRef* MenuRef;
typedef UInt16 MenuItemIndex;
typedef UInt32 MenuCommand;

// The command a button or menu item sends. On this 64-bit platform the record is
// sizeof(HICommand) bytes, the size its event parameter has.
typedef struct HICommand {
    UInt32 attributes;
    MenuCommand commandID;
    struct {
        MenuRef menuRef;
        MenuItemIndex menuItemIndex;
    } menu;
} HICommand;

enum {
    kHICommandFromMenu = 1,
    kHICommandFromControl = 2,
    kHICommandFromWindow = 4
};

enum {
    kHICommandOK = 'ok  ',
    kHICommandCancel = 'not!',
    kHICommandClose = 'clos',
    kHICommandQuit = 'quit'
};

static inline EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine)
{
    return userRoutine;
}

static inline void DisposeEventHandlerUPP(EventHandlerUPP userUPP)
{
    (void)userUPP;
}

// A new event (+1) of the class and kind, without parameters. paramErr for a NULL outEvent.
OSStatus CreateEvent(CFAllocatorRef inAllocator, UInt32 inClassID, UInt32 kind, EventTime when,
                     EventAttributes flags, EventRef* outEvent);
EventRef RetainEvent(EventRef inEvent);
void ReleaseEvent(EventRef inEvent);

UInt32 GetEventClass(EventRef inEvent);
UInt32 GetEventKind(EventRef inEvent);

// Stores a copy of the bytes under the name, replacing an earlier value.
OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType, ByteCount inSize,
                           const void* inDataPtr);
// Copies a parameter into outData. The desired type must be the stored type (or typeWildCard);
// eventParameterNotFoundErr when the event has no such parameter or it has another type; paramErr
// when the buffer is smaller than the value (nothing is copied then). outActualType and
// outActualSize may be NULL; outData may be NULL to ask for the size only.
OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize, ByteCount* outActualSize,
                           void* outData);

// The window's target (borrowed; it lives as long as the window). NULL for an invalid window.
EventTargetRef GetWindowEventTarget(WindowRef inWindow);

// Installs a handler for the listed events on the target. outRef (may be NULL) names the handler
// for RemoveEventHandler; a handler not removed goes with its target.
OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, ItemCount inNumTypes,
                             const EventTypeSpec* inList, void* inUserData, EventHandlerRef* outRef);
// Removes the handler; it is not called again, also not by a dispatch already under way.
OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);

// Dispatches the event to the handlers of the target that listen for its class and kind, newest
// first, until one answers something other than eventNotHandledErr; that answer is returned.
// eventNotHandledErr when nobody handled it.
OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget);

#ifdef __cplusplus
}
#endif
