// The window object: made from an interface file's description, shown and hidden, disposed with
// its views and handlers.
#include "hitoolbox/UIObjects.h"

#include "cf/StringObject.h"
#include "text/Unicode.h"

using namespace platform;
using namespace platform::ui;

namespace platform::ui {
namespace {

std::string DescribeWindow(const RuntimeBase* object)
{
    const auto* window = static_cast<const OpaqueWindowPtr*>(object);
    return "<Window \"" + EncodeUTF8(window->name) + "\"" + (window->disposed ? " disposed>" : ">");
}

// A view (+1) for one control of the description.
OpaqueControlRef* CreateControl(const NibControl& description)
{
    OpaqueControlRef* control = CreateView(description.kind);
    if (control == nullptr) {
        return nullptr;
    }
    control->id = {description.signature, description.id};
    if (control->HoldsText()) {
        control->text = description.title;
    } else {
        control->title = description.title;
    }
    control->frame = {{description.frame.x, description.frame.y}, {description.frame.width, description.frame.height}};
    control->command = description.command;
    control->isDefault = description.isDefault;
    return control;
}

}  // namespace

const RuntimeClass kWindowClass{kWindowTypeID, "Window", &FinalizeAs<OpaqueWindowPtr>, nullptr, nullptr,
                                &DescribeWindow};

OpaqueWindowPtr* AsWindow(WindowRef window)
{
    if (!IsType(window, kWindowTypeID)) {
        return nullptr;
    }
    auto* object = static_cast<OpaqueWindowPtr*>(window);
    return object->disposed ? nullptr : object;
}

OpaqueWindowPtr* CreateWindowFromDescription(const std::u16string& name, const NibWindow& description)
{
    CFOwner<OpaqueWindowPtr*> made = AdoptCF(CreateInstance<OpaqueWindowPtr>(nullptr, kWindowClass));
    OpaqueWindowPtr* window = made.Get();
    if (window == nullptr) {
        return nullptr;
    }
    window->name = name;
    window->title = description.title;
    const HIRect bounds{{0, 0}, {description.width, description.height}};
    window->root = AdoptCF(CreateView(ViewKind::Root));
    CFOwner<OpaqueControlRef*> content = AdoptCF(CreateView(ViewKind::Content));
    if (!window->root || !content) {
        return nullptr;
    }
    window->root.Get()->frame = bounds;
    window->root.Get()->window = window;
    OpaqueControlRef* contentView = content.Get();
    contentView->id = kHIViewWindowContentID;
    contentView->frame = bounds;
    // The root takes over the content's reference, and the content each control's.
    HIViewAddSubview(window->root.Get(), content.LeakRef());
    for (const NibControl& each : description.controls) {
        OpaqueControlRef* control = CreateControl(each);
        if (control == nullptr) {
            return nullptr;
        }
        HIViewAddSubview(contentView, control);
    }
    return made.LeakRef();
}

}  // namespace platform::ui

OpaqueWindowPtr::OpaqueWindowPtr()
{
    target.window = this;
}

OpaqueWindowPtr::~OpaqueWindowPtr()
{
    TearDown();
}

void OpaqueWindowPtr::TearDown()
{
    disposed = true;
    quitRequested = true;
    visible = false;
    focus = nullptr;
    RemoveAllHandlers(&target);
    if (root) {
        SetWindowOfTree(root.Get(), nullptr);
        root.Reset();
    }
}

extern "C" {

void ShowWindow(WindowRef window)
{
    if (OpaqueWindowPtr* object = AsWindow(window)) {
        object->visible = true;
    }
}

Boolean IsWindowVisible(WindowRef window)
{
    OpaqueWindowPtr* object = AsWindow(window);
    return object != nullptr && object->visible;
}

void DisposeWindow(WindowRef window)
{
    OpaqueWindowPtr* object = AsWindow(window);
    if (object == nullptr) {
        return;
    }
    // Disposing gives up the reference the window was made with.
    CFOwner<OpaqueWindowPtr*> made = AdoptCF(object);
    object->TearDown();
}

OSStatus CopyWindowTitleAsCFString(WindowRef window, CFStringRef* outString)
{
    if (outString != nullptr) {
        *outString = nullptr;
    }
    OpaqueWindowPtr* object = AsWindow(window);
    if (object == nullptr) {
        return errInvalidWindowRef;
    }
    if (outString == nullptr) {
        return paramErr;
    }
    *outString = CreateStringFromUTF16(nullptr, object->title);
    return *outString != nullptr ? noErr : memFullErr;
}

EventTargetRef GetWindowEventTarget(WindowRef inWindow)
{
    OpaqueWindowPtr* object = AsWindow(inWindow);
    return object != nullptr ? &object->target : nullptr;
}

}  // extern "C"
