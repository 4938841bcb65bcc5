// The in-memory model behind windows, views, events, interface-file references and alerts. Every
// one of them is a platform object (counted as live, CFRetain / CFRelease work). Main thread only:
// nothing here is locked.
#pragma once

#include "base/CFOwner.h"
#include "cf/Runtime.h"
#include "hitoolbox/InterfaceFile.h"

#include <Carbon/Carbon.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct OpaqueWindowPtr;

struct OpaqueControlRef : platform::RuntimeBase {
    explicit OpaqueControlRef(platform::ui::ViewKind kind_);
    ~OpaqueControlRef();

    platform::ui::ViewKind kind;
    ControlID id{0, 0};
    std::u16string title;
    std::u16string text;
    ControlEditTextSelectionRec selection{0, 0};
    SInt16 value = 0;
    SInt16 minimum = 0;
    SInt16 maximum = 0;
    HIRect frame{};
    bool visible = true;
    MenuCommand command = 0;
    bool isDefault = false;
    std::vector<std::u16string> items;  // combo box list
    OptionBits attributes = 0;          // combo box

    OpaqueControlRef* superview = nullptr;  // not owned
    std::vector<platform::CFOwner<OpaqueControlRef*>> subviews;
    OpaqueWindowPtr* window = nullptr;  // not owned; NULL outside a window

    bool HoldsText() const;
    bool TakesFocus() const;
    bool CanEmbed() const;
};

struct OpaqueEventHandlerRef {
    OpaqueEventTargetRef* target = nullptr;
    EventHandlerUPP proc = nullptr;
    std::vector<EventTypeSpec> types;
    void* userData = nullptr;
    bool removed = false;

    bool Listens(UInt32 eventClass, UInt32 kind) const;
};

struct OpaqueEventTargetRef {
    OpaqueWindowPtr* window = nullptr;
    // In installation order; dispatch walks it from the end.
    std::vector<std::shared_ptr<OpaqueEventHandlerRef>> handlers;
};

struct OpaqueWindowPtr : platform::RuntimeBase {
    OpaqueWindowPtr();
    ~OpaqueWindowPtr();

    std::u16string name;  // in its interface file
    std::u16string title;
    bool visible = false;
    bool disposed = false;
    platform::CFOwner<OpaqueControlRef*> root;
    OpaqueControlRef* focus = nullptr;  // borrowed, inside the hierarchy
    OpaqueEventTargetRef target;
    bool inModalLoop = false;
    bool quitRequested = false;

    // Releases the views and the handlers; what Dispose and the last release both do.
    void TearDown();
};

struct OpaqueEventRef : platform::RuntimeBase {
    UInt32 eventClass = 0;
    UInt32 kind = 0;
    EventTime when = 0;
    std::map<EventParamName, std::pair<EventParamType, std::string>> parameters;
};

struct OpaqueIBNibRef : platform::RuntimeBase {
    std::shared_ptr<const platform::ui::InterfaceFile> file;
};

struct OpaqueDialogPtr : platform::RuntimeBase {
    AlertType alertType = kAlertStopAlert;
    std::u16string message;
    std::optional<std::u16string> explanation;
    std::optional<std::u16string> defaultText;
    std::optional<std::u16string> cancelText;
    std::optional<std::u16string> otherText;
    DialogItemIndex defaultButton = kAlertStdAlertOKButton;
    DialogItemIndex cancelButton = 0;
    bool movable = false;
};

namespace platform::ui {

extern const RuntimeClass kWindowClass;
extern const RuntimeClass kViewClass;
extern const RuntimeClass kEventClass;
extern const RuntimeClass kNibClass;
extern const RuntimeClass kAlertClass;

// The object behind a reference, or NULL when it is not one of that type (or, for a window, one
// already disposed).
OpaqueWindowPtr* AsWindow(WindowRef window);
OpaqueControlRef* AsView(ControlRef view);
OpaqueEventRef* AsEvent(EventRef event);

// A new view (+1) of the kind with the defaults of that kind; NULL when memory runs out.
OpaqueControlRef* CreateView(ViewKind kind);

// Sets the window of a view and everything under it.
void SetWindowOfTree(OpaqueControlRef* view, OpaqueWindowPtr* window);
// Visits the view and its subviews depth first; stops when visit answers true and returns that view.
template <class Visit>
OpaqueControlRef* FindInTree(OpaqueControlRef* view, Visit&& visit)
{
    if (view == nullptr) {
        return nullptr;
    }
    if (visit(view)) {
        return view;
    }
    for (const CFOwner<OpaqueControlRef*>& child : view->subviews) {
        if (OpaqueControlRef* found = FindInTree(child.Get(), visit)) {
            return found;
        }
    }
    return nullptr;
}
bool IsInside(const OpaqueControlRef* view, const OpaqueControlRef* ancestor);
// The view and all its superviews are visible.
bool IsShown(const OpaqueControlRef* view);
// Takes the window's focus away when it is on the view or inside it.
void DropFocusWithin(OpaqueControlRef* view);

// A window (+1) made from an interface file's description; NULL when memory runs out.
OpaqueWindowPtr* CreateWindowFromDescription(const std::u16string& name, const NibWindow& description);

// Forgets every handler installed on the target (its window goes away).
void RemoveAllHandlers(OpaqueEventTargetRef* target);

// Sends a new event of the class and kind, with an optional command as its direct parameter, to
// the window's target. Answers the dispatch's status.
OSStatus SendWindowEvent(OpaqueWindowPtr* window, UInt32 eventClass, UInt32 kind, const HICommand* command);

}  // namespace platform::ui
