// The combo box: a text field with its list of strings.
#include "hitoolbox/UIObjects.h"

#include "cf/StringObject.h"

using namespace platform;
using namespace platform::ui;

namespace {

OpaqueControlRef* AsComboBox(HIViewRef view)
{
    OpaqueControlRef* control = AsView(view);
    return control != nullptr && control->kind == ViewKind::ComboBox ? control : nullptr;
}

}  // namespace

extern "C" {

OSStatus HIComboBoxCreate(const HIRect* boundsRect, CFStringRef text, const ControlFontStyleRec* style,
                          CFArrayRef list, OptionBits inAttributes, HIViewRef* outComboBox)
{
    if (outComboBox != nullptr) {
        *outComboBox = nullptr;
    }
    if (boundsRect == nullptr || outComboBox == nullptr) {
        return paramErr;
    }
    if (text != nullptr && !IsType(text, kStringTypeID)) {
        return paramErr;
    }
    OpaqueControlRef* box = CreateView(ViewKind::ComboBox);
    if (box == nullptr) {
        return memFullErr;
    }
    box->frame = *boundsRect;
    box->attributes = inAttributes;
    if (text != nullptr) {
        box->text = StringUnits(text);
    }
    if (list != nullptr) {
        CFIndex count = CFArrayGetCount(list);
        for (CFIndex i = 0; i < count; ++i) {
            const void* item = CFArrayGetValueAtIndex(list, i);
            if (IsType(item, kStringTypeID)) {
                box->items.push_back(StringUnits(static_cast<CFStringRef>(item)));
            }
        }
    }
    *outComboBox = box;
    return noErr;
}

OSStatus HIComboBoxGetAttributes(HIViewRef inComboBox, OptionBits* outAttributes)
{
    OpaqueControlRef* box = AsComboBox(inComboBox);
    if (box == nullptr || outAttributes == nullptr) {
        return paramErr;
    }
    *outAttributes = box->attributes;
    return noErr;
}

}  // extern "C"
