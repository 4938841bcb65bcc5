// The selected text of a Cocoa host application, asked of the application itself: whether the
// focused view of its key window can send its selection as a plain string, and that string,
// fetched through a private pasteboard. In a host without a Cocoa application object both answers
// are negative at once. No Cocoa exception escapes: each is logged with NSLog and answered as
// false or NULL.
#pragma once

#include <Cocoa/Cocoa.h>
#include <CoreFoundation/CoreFoundation.h>

// True when the host process has no Cocoa application object.
Boolean hostIsACarbonApp();
// True when the host process has a Cocoa application object.
Boolean isHostACocoaApp();
// True when the first responder of the host's key window is a valid requestor for sending a
// plain string.
Boolean cocoaAppHasStringSelection();
// The selected text as a new string (+1) that the caller releases, or NULL.
CFStringRef currentCocoaStringSelection();

// Carries no state and no methods: it gives the unit a class of its own in the host's object
// world, as the unit's other functions need none.
class CMCocoaHelper : public NSObject {
};
