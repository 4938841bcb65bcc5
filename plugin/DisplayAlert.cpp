// The plug-in's own alert, shown with the host application in front.
#include "plugin/ClipAlerts.h"

#include "support/StSwitchToFront.h"

Boolean DisplayAlert(CFStringRef message, CFStringRef defaultText, CFStringRef cancelText, AlertType alertType)
{
    if (message == nullptr || CFStringGetLength(message) == 0) {
        return true;
    }
    StSwitchToFront front(true);

    AlertStdCFStringAlertParamRec params;
    GetStandardAlertDefaultParams(&params, kStdCFStringAlertVersionOne);
    params.movable = true;
    if (defaultText != nullptr) {
        params.defaultText = defaultText;
    }
    if (cancelText != nullptr) {
        params.cancelText = cancelText;
        params.cancelButton = kAlertStdAlertCancelButton;
    }
    params.position = kWindowDefaultPosition;

    DialogRef alert = nullptr;
    if (CreateStandardAlert(alertType, message, nullptr, &params, &alert) != noErr || alert == nullptr) {
        return false;
    }
    // Running the alert disposes of it.
    DialogItemIndex itemHit = kAlertStdAlertCancelButton;
    OSStatus status = RunStandardAlert(alert, nullptr, &itemHit);
    return status == noErr && itemHit == kAlertStdAlertOKButton;
}
