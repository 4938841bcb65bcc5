// What a UI driver reads of a window and the user's actions it performs: control changes plus
// the events that the click would send.
#include "hitoolbox/UIObjects.h"

#include "cf/StringObject.h"

#include <PlatformUIDriver.h>

#include <algorithm>

using namespace platform;
using namespace platform::ui;

namespace {

bool IsControl(const OpaqueControlRef* view)
{
    return view->kind != ViewKind::Root && view->kind != ViewKind::Content;
}

PlatformControlKind PublicKind(ViewKind kind)
{
    switch (kind) {
    case ViewKind::Root:
        return kPlatformControlRootView;
    case ViewKind::Content:
        return kPlatformControlContentView;
    case ViewKind::EditText:
        return kPlatformControlEditText;
    case ViewKind::CheckBox:
        return kPlatformControlCheckBox;
    case ViewKind::PushButton:
        return kPlatformControlPushButton;
    case ViewKind::StaticText:
        return kPlatformControlStaticText;
    case ViewKind::ComboBox:
        return kPlatformControlComboBox;
    }
    return kPlatformControlStaticText;
}

// A control the user can reach: in a window and visible there.
OSStatus CheckReachable(const OpaqueControlRef* control)
{
    if (control == nullptr) {
        return paramErr;
    }
    if (control->window == nullptr || control->window->disposed) {
        return errUnknownControl;
    }
    return IsShown(control) ? OSStatus{noErr} : OSStatus{errControlHiddenOrDisabled};
}

}  // namespace

extern "C" {

CFStringRef PlatformUICopyWindowName(WindowRef window)
{
    OpaqueWindowPtr* object = AsWindow(window);
    return object != nullptr ? CreateStringFromUTF16(nullptr, object->name) : nullptr;
}

CFIndex PlatformUIGetControlCount(WindowRef window)
{
    OpaqueWindowPtr* object = AsWindow(window);
    CFIndex count = 0;
    if (object != nullptr) {
        FindInTree(object->root.Get(), [&count](OpaqueControlRef* view) {
            count += IsControl(view) ? 1 : 0;
            return false;
        });
    }
    return count;
}

ControlRef PlatformUIGetControlAtIndex(WindowRef window, CFIndex index)
{
    OpaqueWindowPtr* object = AsWindow(window);
    if (object == nullptr || index < 0) {
        return nullptr;
    }
    CFIndex seen = 0;
    return FindInTree(object->root.Get(), [&](OpaqueControlRef* view) { return IsControl(view) && seen++ == index; });
}

Boolean PlatformUIGetControlInfo(ControlRef control, PlatformUIControlInfo* outInfo)
{
    OpaqueControlRef* view = AsView(control);
    if (view == nullptr || outInfo == nullptr) {
        return false;
    }
    PlatformUIControlInfo info{};
    info.kind = PublicKind(view->kind);
    info.id = view->id;
    info.command = view->command;
    info.isDefault = view->isDefault;
    info.visible = view->visible;
    info.shown = IsShown(view);
    info.focused = view->window != nullptr && view->window->focus == view;
    info.value = view->value;
    info.selection = view->selection;
    info.frame = view->frame;
    info.frameInWindow = view->frame;
    for (const OpaqueControlRef* each = view->superview; each != nullptr; each = each->superview) {
        info.frameInWindow.origin.x += each->frame.origin.x;
        info.frameInWindow.origin.y += each->frame.origin.y;
    }
    *outInfo = info;
    return true;
}

CFStringRef PlatformUICopyControlTitle(ControlRef control)
{
    OpaqueControlRef* view = AsView(control);
    return view != nullptr ? CreateStringFromUTF16(nullptr, view->title) : nullptr;
}

CFStringRef PlatformUICopyControlText(ControlRef control)
{
    OpaqueControlRef* view = AsView(control);
    return view != nullptr && view->HoldsText() ? CreateStringFromUTF16(nullptr, view->text) : nullptr;
}

CFArrayRef PlatformUICopyComboBoxItems(ControlRef control)
{
    OpaqueControlRef* view = AsView(control);
    if (view == nullptr || view->kind != ViewKind::ComboBox) {
        return nullptr;
    }
    CFOwner<CFMutableArrayRef> items = AdoptCF(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    if (!items) {
        return nullptr;
    }
    for (const std::u16string& item : view->items) {
        CFOwner<CFStringRef> text = AdoptCF(CreateStringFromUTF16(nullptr, item));
        if (!text) {
            return nullptr;
        }
        CFArrayAppendValue(items.Get(), text.Get());
    }
    return items.LeakRef();
}

OSStatus PlatformUITypeText(ControlRef control, CFStringRef text)
{
    OpaqueControlRef* view = AsView(control);
    if (!IsType(text, kStringTypeID)) {
        return paramErr;
    }
    if (OSStatus status = CheckReachable(view); status != noErr) {
        return status;
    }
    if (!view->TakesFocus()) {
        return errDataNotSupported;
    }
    view->window->focus = view;
    view->text = StringUnits(text);
    auto end = static_cast<SInt16>(std::min<size_t>(view->text.size(), kMaxTextUnits));
    view->selection = {end, end};
    return noErr;
}

OSStatus PlatformUIClickControl(ControlRef control)
{
    OpaqueControlRef* view = AsView(control);
    if (OSStatus status = CheckReachable(view); status != noErr) {
        return status;
    }
    if (view->kind == ViewKind::CheckBox) {
        view->value = view->value == kControlCheckBoxUncheckedValue ? kControlCheckBoxCheckedValue
                                                                     : kControlCheckBoxUncheckedValue;
    } else if (view->kind != ViewKind::PushButton) {
        return errDataNotSupported;
    }
    if (view->command == 0) {
        return noErr;
    }
    HICommand command{};
    command.attributes = kHICommandFromControl;
    command.commandID = view->command;
    return SendWindowEvent(view->window, kEventClassCommand, kEventCommandProcess, &command);
}

OSStatus PlatformUIClickCloseBox(WindowRef window)
{
    OpaqueWindowPtr* object = AsWindow(window);
    if (object == nullptr) {
        return errInvalidWindowRef;
    }
    return SendWindowEvent(object, kEventClassWindow, kEventWindowClose, nullptr);
}

}  // extern "C"
