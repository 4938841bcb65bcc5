// Standard alerts: a message, an optional explanation and up to three buttons, shown application
// modal. The user is the UI driver that the host installed (PlatformUIDriver.h). Main thread only.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// An alert is a platform object, disposed by RunStandardAlert, or by DisposeDialog when it is
// never run.
typedef struct OpaqueDialogPtr* DialogRef;
typedef UInt16 DialogItemIndex;
typedef SInt16 AlertType;

struct EventRecord;
typedef Boolean (*ModalFilterProcPtr)(DialogRef theDialog, struct EventRecord* theEvent, DialogItemIndex* itemHit);
typedef ModalFilterProcPtr ModalFilterUPP;

enum {
    kAlertStopAlert = 0,
    kAlertNoteAlert = 1,
    kAlertCautionAlert = 2,
    kAlertPlainAlert = 3
};

// Button numbers: what RunStandardAlert answers, and how defaultButton / cancelButton name them.
enum {
    kAlertStdAlertOKButton = 1,
    kAlertStdAlertCancelButton = 2,
    kAlertStdAlertOtherButton = 3,
    kAlertStdAlertHelpButton = 4
};

enum {
    kStdCFStringAlertVersionOne = 1
};

enum {
    kWindowDefaultPosition = 0
};

// Button texts that stand for the platform's own "OK" and "Cancel".
#define kAlertDefaultOKText ((CFStringRef)(intptr_t)-1)
#define kAlertDefaultCancelText ((CFStringRef)(intptr_t)-1)
#define kAlertDefaultOtherText ((CFStringRef)(intptr_t)-1)

// NULL texts leave a button out; kAlertDefault...Text gives it the platform's text. The strings
// are borrowed: CreateStandardAlert keeps copies.
typedef struct AlertStdCFStringAlertParamRec {
    UInt32 version;
    Boolean movable;
    Boolean helpButton;
    CFStringRef defaultText;
    CFStringRef cancelText;
    CFStringRef otherText;
    DialogItemIndex defaultButton;
    DialogItemIndex cancelButton;
    UInt16 position;
    OptionBits flags;
} AlertStdCFStringAlertParamRec;

// The defaults: not movable, no help button, an OK button with the platform's text that is the
// default button, no cancel or other button, the default position. paramErr for a NULL record or a
// version other than kStdCFStringAlertVersionOne.
OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamRec* param, UInt32 version);

// A new alert (+1 until it is run or disposed). error is the message (NULL: paramErr);
// explanation may be NULL; param NULL means the defaults.
OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec* param, DialogRef* outAlert);

// Shows the alert until the user presses a button, writes that button's number to *outItemHit,
// and disposes the alert. The filter is never called: there are no raw events here. Without a UI
// driver nobody can answer: userCanceledErr, with the cancel button's number in *outItemHit (0
// when the alert has none).
OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP filterProc, DialogItemIndex* outItemHit);

// Disposes an alert that was not run.
void DisposeDialog(DialogRef theDialog);

#ifdef __cplusplus
}
#endif
