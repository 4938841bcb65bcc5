// The view hierarchy of a window: a root view, the standard content view inside it, and the
// controls inside that. A view belongs to its superview: adding a view to a superview hands the
// caller's reference over to it, and disposing the window releases every view in it. Main thread
// only.
#pragma once

#include <Carbon/Controls.h>
#include <Carbon/HIGeometry.h>
#include <Carbon/MacWindows.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef ControlRef HIViewRef;
typedef ControlID HIViewID;

// The id of a window's content view.
extern const HIViewID kHIViewWindowContentID;

// The window's root view, borrowed; NULL for an invalid window.
HIViewRef HIViewGetRoot(WindowRef inWindow);
// The first view with the id in the subtree of inStartView (itself included, then depth first);
// errUnknownControl and NULL when there is none.
OSStatus HIViewFindByID(HIViewRef inStartView, HIViewID inID, HIViewRef* outView);

// Makes inNewChild the last subview of inParent, which takes over the caller's reference.
// errControlIsNotEmbedder when the parent cannot hold views, errCantEmbedRoot for a root view,
// errCantEmbedIntoSelf when the parent is the child or inside it, paramErr when the child already
// has a superview.
OSStatus HIViewAddSubview(HIViewRef inParent, HIViewRef inNewChild);

// Moves the view so that its frame's origin is at the point of its superview's coordinates.
OSStatus HIViewPlaceInSuperviewAt(HIViewRef inView, CGFloat inX, CGFloat inY);
OSStatus HIViewGetFrame(HIViewRef inView, HIRect* outRect);

// The view's own visibility.
OSStatus HIViewSetVisible(HIViewRef inView, Boolean inVisible);

#ifdef __cplusplus
}
#endif
