// Control values, data by tag (text and selection) and the keyboard focus.
#include "hitoolbox/UIObjects.h"

#include "cf/StringObject.h"

#include <algorithm>
#include <cstring>

using namespace platform;
using namespace platform::ui;

namespace {

bool IsTextPart(ControlPartCode part)
{
    return part == kControlEntireControl || part == kControlEditTextPart;
}

// Where typing would continue after the text was replaced.
ControlEditTextSelectionRec SelectionAfter(const std::u16string& text)
{
    auto end = static_cast<SInt16>(std::min<size_t>(text.size(), kMaxTextUnits));
    return {end, end};
}

}  // namespace

extern "C" {

SInt16 GetControlValue(ControlRef theControl)
{
    OpaqueControlRef* control = AsView(theControl);
    return control != nullptr ? control->value : 0;
}

void SetControlValue(ControlRef theControl, SInt16 newValue)
{
    OpaqueControlRef* control = AsView(theControl);
    if (control != nullptr) {
        control->value = std::clamp(newValue, control->minimum, control->maximum);
    }
}

OSStatus SetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName, Size inSize,
                        const void* inData)
{
    OpaqueControlRef* control = AsView(inControl);
    if (control == nullptr || inData == nullptr) {
        return paramErr;
    }
    switch (inTagName) {
    case kControlEditTextCFStringTag: {
        if (!control->HoldsText()) {
            return errDataNotSupported;
        }
        if (!IsTextPart(inPart)) {
            return errInvalidPartCode;
        }
        if (inSize != static_cast<Size>(sizeof(CFStringRef))) {
            return errDataSizeMismatch;
        }
        CFStringRef text = nullptr;
        std::memcpy(&text, inData, sizeof text);
        if (!IsType(text, kStringTypeID)) {
            return paramErr;
        }
        control->text = StringUnits(text);
        control->selection = SelectionAfter(control->text);
        return noErr;
    }
    case kControlEditTextSelectionTag: {
        if (!control->TakesFocus()) {
            return errDataNotSupported;
        }
        if (!IsTextPart(inPart)) {
            return errInvalidPartCode;
        }
        if (inSize != static_cast<Size>(sizeof(ControlEditTextSelectionRec))) {
            return errDataSizeMismatch;
        }
        std::memcpy(&control->selection, inData, sizeof control->selection);
        return noErr;
    }
    default:
        return errDataNotSupported;
    }
}

OSStatus GetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName, Size inBufferSize,
                        void* inBuffer, Size* outActualSize)
{
    OpaqueControlRef* control = AsView(inControl);
    if (control == nullptr) {
        return paramErr;
    }
    Size size = 0;
    switch (inTagName) {
    case kControlEditTextCFStringTag:
        if (!control->HoldsText()) {
            return errDataNotSupported;
        }
        size = sizeof(CFStringRef);
        break;
    case kControlEditTextSelectionTag:
        if (!control->TakesFocus()) {
            return errDataNotSupported;
        }
        size = sizeof(ControlEditTextSelectionRec);
        break;
    default:
        return errDataNotSupported;
    }
    if (!IsTextPart(inPart)) {
        return errInvalidPartCode;
    }
    if (outActualSize != nullptr) {
        *outActualSize = size;
    }
    if (inBuffer == nullptr) {
        return noErr;
    }
    if (inBufferSize < size) {
        return errDataSizeMismatch;
    }
    if (inTagName == kControlEditTextCFStringTag) {
        CFStringRef text = CreateStringFromUTF16(nullptr, control->text);
        if (text == nullptr) {
            return memFullErr;
        }
        std::memcpy(inBuffer, &text, sizeof text);
    } else {
        std::memcpy(inBuffer, &control->selection, sizeof control->selection);
    }
    return noErr;
}

OSStatus SetKeyboardFocus(WindowRef inWindow, ControlRef inControl, ControlFocusPart inPart)
{
    OpaqueWindowPtr* window = AsWindow(inWindow);
    if (window == nullptr) {
        return errInvalidWindowRef;
    }
    OpaqueControlRef* control = AsView(inControl);
    if (inPart == kControlFocusNoPart) {
        if (control == nullptr || control == window->focus) {
            window->focus = nullptr;
        }
        return noErr;
    }
    if (control == nullptr) {
        return paramErr;
    }
    if (control->window != window) {
        return errUnknownControl;
    }
    if (!control->TakesFocus()) {
        return errControlDoesntSupportFocus;
    }
    if (!IsShown(control)) {
        return errControlHiddenOrDisabled;
    }
    window->focus = control;
    return noErr;
}

OSStatus GetKeyboardFocus(WindowRef inWindow, ControlRef* outControl)
{
    if (outControl != nullptr) {
        *outControl = nullptr;
    }
    OpaqueWindowPtr* window = AsWindow(inWindow);
    if (window == nullptr) {
        return errInvalidWindowRef;
    }
    if (outControl == nullptr) {
        return paramErr;
    }
    *outControl = window->focus;
    return noErr;
}

}  // extern "C"
