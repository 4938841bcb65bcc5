// Controls of a window: finding them by id, their values, their data by tag, showing and hiding,
// and the keyboard focus. A control is a view (HIView.h). Main thread only.
#pragma once

#include <Carbon/MacWindows.h>
#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// A control is a platform object. The window owns the controls in its view hierarchy: references
// handed out by GetControlByID are borrowed.
typedef struct OpaqueControlRef* ControlRef;

typedef struct ControlID {
    OSType signature;
    SInt32 id;
} ControlID;

typedef SInt16 ControlPartCode;
typedef SInt16 ControlFocusPart;

enum {
    kControlEntireControl = 0,
    kControlEditTextPart = 5
};

enum {
    kControlFocusNoPart = 0,
    kControlFocusNextPart = -1,
    kControlFocusPrevPart = -2
};

enum {
    kControlCheckBoxUncheckedValue = 0,
    kControlCheckBoxCheckedValue = 1,
    kControlCheckBoxMixedValue = 2
};

// Data tags. The text tag holds a CFStringRef: setting it stores a copy of the string's text;
// getting it hands out a new string (+1) that the caller releases.
enum {
    kControlEditTextCFStringTag = 'cfst',
    kControlStaticTextCFStringTag = 'cfst',
    kControlEditTextSelectionTag = 'sele'
};

// A text selection: the start and end offsets in UTF-16 units. Offsets past the end of the text
// (32767 selects all) are kept as given.
typedef struct ControlEditTextSelectionRec {
    SInt16 selStart;
    SInt16 selEnd;
} ControlEditTextSelectionRec;

enum {
    errDataNotSupported = -30581,
    errControlDoesntSupportFocus = -30582,
    errUnknownControl = -30584,
    errInvalidPartCode = -30588,
    errControlIsNotEmbedder = -30590,
    errDataSizeMismatch = -30591,
    errControlHiddenOrDisabled = -30592,
    errCantEmbedIntoSelf = -30594,
    errCantEmbedRoot = -30595
};

// The first control of the window's view hierarchy (depth first, in the order the views were
// added) with the id, borrowed; errUnknownControl and NULL when there is none.
OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl);

// The value, clamped to the control's range when set (a check box: 0 to 2; a control without a
// value keeps 0).
SInt16 GetControlValue(ControlRef theControl);
void SetControlValue(ControlRef theControl, SInt16 newValue);

// Data by tag. The part must be kControlEntireControl or the control's text part
// (kControlEditTextPart); errDataNotSupported for a tag the control does not hold;
// errDataSizeMismatch when inSize is not the size of the tag's value. GetControlData with a NULL
// buffer answers the size only; a buffer smaller than the value gives errDataSizeMismatch.
OSStatus SetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName, Size inSize,
                        const void* inData);
OSStatus GetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName, Size inBufferSize,
                        void* inBuffer, Size* outActualSize);

// Showing and hiding a control (its own visibility; hiding takes the keyboard focus away from it).
void HideControl(ControlRef inControl);
void ShowControl(ControlRef inControl);

// Gives the keyboard focus to the control (an edit-text field or a combo box that is visible in
// the window). kControlFocusNoPart takes the focus away from the window's focused control.
// errControlDoesntSupportFocus for other kinds, errControlHiddenOrDisabled for a hidden control,
// errUnknownControl when the control is not in the window.
OSStatus SetKeyboardFocus(WindowRef inWindow, ControlRef inControl, ControlFocusPart inPart);
// The focused control, borrowed, or NULL.
OSStatus GetKeyboardFocus(WindowRef inWindow, ControlRef* outControl);

#ifdef __cplusplus
}
#endif
