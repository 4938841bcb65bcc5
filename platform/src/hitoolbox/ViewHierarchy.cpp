// The view hierarchy calls: the root, finding by id, adding subviews, frames and visibility.
#include "hitoolbox/UIObjects.h"

using namespace platform::ui;

extern "C" {

const HIViewID kHIViewWindowContentID = {'wind', 1};

HIViewRef HIViewGetRoot(WindowRef inWindow)
{
    OpaqueWindowPtr* window = AsWindow(inWindow);
    return window != nullptr ? window->root.Get() : nullptr;
}

OSStatus HIViewFindByID(HIViewRef inStartView, HIViewID inID, HIViewRef* outView)
{
    if (outView != nullptr) {
        *outView = nullptr;
    }
    OpaqueControlRef* start = AsView(inStartView);
    if (start == nullptr || outView == nullptr) {
        return paramErr;
    }
    *outView = FindInTree(start, [&inID](OpaqueControlRef* view) {
        return view->id.signature == inID.signature && view->id.id == inID.id;
    });
    return *outView != nullptr ? OSStatus{noErr} : OSStatus{errUnknownControl};
}

OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl)
{
    if (outControl != nullptr) {
        *outControl = nullptr;
    }
    OpaqueWindowPtr* window = AsWindow(inWindow);
    if (window == nullptr) {
        return errInvalidWindowRef;
    }
    if (inID == nullptr || outControl == nullptr) {
        return paramErr;
    }
    return HIViewFindByID(window->root.Get(), *inID, outControl);
}

OSStatus HIViewAddSubview(HIViewRef inParent, HIViewRef inNewChild)
{
    OpaqueControlRef* parent = AsView(inParent);
    OpaqueControlRef* child = AsView(inNewChild);
    if (parent == nullptr || child == nullptr) {
        return paramErr;
    }
    if (!parent->CanEmbed()) {
        return errControlIsNotEmbedder;
    }
    if (child->kind == ViewKind::Root) {
        return errCantEmbedRoot;
    }
    if (IsInside(parent, child)) {
        return errCantEmbedIntoSelf;
    }
    if (child->superview != nullptr) {
        return paramErr;
    }
    // The parent takes over the caller's reference.
    parent->subviews.push_back(platform::AdoptCF(child));
    child->superview = parent;
    SetWindowOfTree(child, parent->window);
    return noErr;
}

OSStatus HIViewPlaceInSuperviewAt(HIViewRef inView, CGFloat inX, CGFloat inY)
{
    OpaqueControlRef* view = AsView(inView);
    if (view == nullptr) {
        return paramErr;
    }
    view->frame.origin.x = inX;
    view->frame.origin.y = inY;
    return noErr;
}

OSStatus HIViewGetFrame(HIViewRef inView, HIRect* outRect)
{
    OpaqueControlRef* view = AsView(inView);
    if (view == nullptr || outRect == nullptr) {
        return paramErr;
    }
    *outRect = view->frame;
    return noErr;
}

OSStatus HIViewSetVisible(HIViewRef inView, Boolean inVisible)
{
    OpaqueControlRef* view = AsView(inView);
    if (view == nullptr) {
        return paramErr;
    }
    view->visible = inVisible != 0;
    if (!view->visible) {
        DropFocusWithin(view);
    }
    return noErr;
}

void HideControl(ControlRef inControl)
{
    HIViewSetVisible(inControl, false);
}

void ShowControl(ControlRef inControl)
{
    HIViewSetVisible(inControl, true);
}

}  // extern "C"
