// The combo box: an edit-text field with a drop-down list of strings. Its text is read and set
// with the text tag of Controls.h (part kHIComboBoxEditTextPart or the entire control).
#pragma once

#include <Carbon/HIView.h>
#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kHIComboBoxEditTextPart = 5
};

enum {
    kHIComboBoxNoAttributes = 0,
    kHIComboBoxAutoCompletionAttribute = 1,   // completes typed text from the list
    kHIComboBoxAutoDisclosureAttribute = 2,   // the list drops down on its own while typing
    kHIComboBoxAutoSortAttribute = 4,         // the list is kept sorted
    kHIComboBoxAutoSizeListAttribute = 8,     // the list is sized to its items
    kHIComboBoxStandardAttributes = 11
};

// Text style of a control; accepted and not modelled.
typedef struct ControlFontStyleRec {
    SInt16 flags;
    SInt16 font;
    SInt16 size;
    SInt16 style;
    SInt16 mode;
    SInt16 just;
} ControlFontStyleRec;

// A new combo box (+1 for the caller until it is added to a superview), hidden, with the frame,
// the text (NULL: empty) and the strings of inList in order (NULL: an empty list; elements that
// are not strings are left out). paramErr for a NULL frame or outComboBox.
OSStatus HIComboBoxCreate(const HIRect* boundsRect, CFStringRef text, const ControlFontStyleRec* style,
                          CFArrayRef list, OptionBits inAttributes, HIViewRef* outComboBox);

OSStatus HIComboBoxGetAttributes(HIViewRef inComboBox, OptionBits* outAttributes);

#ifdef __cplusplus
}
#endif
