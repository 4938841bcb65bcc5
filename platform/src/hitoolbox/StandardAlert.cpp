// Standard alerts: their parameters, and their answer from the UI driver (or, without one, as
// cancelled).
#include "hitoolbox/UIDriver.h"
#include "hitoolbox/UIObjects.h"

#include "cf/StringObject.h"
#include "text/Unicode.h"

using namespace platform;
using namespace platform::ui;

namespace platform::ui {
namespace {

std::string DescribeAlert(const RuntimeBase* object)
{
    return "<Alert \"" + EncodeUTF8(static_cast<const OpaqueDialogPtr*>(object)->message) + "\">";
}

bool IsDefaultText(CFStringRef text)
{
    return text == kAlertDefaultOKText;
}

// A button's text from the parameters: NULL leaves the button out, the default marker gives the
// platform's text. False when the value is neither a string nor one of those.
bool ButtonText(CFStringRef text, const char16_t* platformText, std::optional<std::u16string>& out)
{
    if (text == nullptr) {
        out.reset();
    } else if (IsDefaultText(text)) {
        out = platformText;
    } else if (IsType(text, kStringTypeID)) {
        out = StringUnits(text);
    } else {
        return false;
    }
    return true;
}

bool HasButton(const OpaqueDialogPtr* alert, DialogItemIndex button)
{
    switch (button) {
    case kAlertStdAlertOKButton:
        return alert->defaultText.has_value();
    case kAlertStdAlertCancelButton:
        return alert->cancelText.has_value();
    case kAlertStdAlertOtherButton:
        return alert->otherText.has_value();
    default:
        return false;
    }
}

// Borrowed strings for the driver, owned here for the length of the alert.
class AlertStrings {
public:
    explicit AlertStrings(const OpaqueDialogPtr* alert)
    {
        view.alertType = alert->alertType;
        view.message = Make(alert->message);
        view.explanation = alert->explanation ? Make(*alert->explanation) : nullptr;
        view.defaultText = alert->defaultText ? Make(*alert->defaultText) : nullptr;
        view.cancelText = alert->cancelText ? Make(*alert->cancelText) : nullptr;
        view.otherText = alert->otherText ? Make(*alert->otherText) : nullptr;
        view.defaultButton = alert->defaultButton;
        view.cancelButton = alert->cancelButton;
    }

    bool complete() const { return mComplete; }
    PlatformUIAlert view{};

private:
    CFStringRef Make(const std::u16string& units)
    {
        CFOwner<CFStringRef> text = AdoptCF(CreateStringFromUTF16(nullptr, units));
        if (!text) {
            mComplete = false;
            return nullptr;
        }
        mOwned.push_back(std::move(text));
        return mOwned.back().Get();
    }
    std::vector<CFOwner<CFStringRef>> mOwned;
    bool mComplete = true;
};

// Asks the driver until it answers; false when the alert ends as cancelled.
bool AskDriver(const OpaqueDialogPtr* alert, DialogItemIndex& itemHit)
{
    std::optional<PlatformUIDriver> driver = CurrentUIDriver();
    if (!driver || driver->stepAlert == nullptr) {
        return false;
    }
    AlertStrings strings(alert);
    if (!strings.complete()) {
        return false;
    }
    for (UInt32 step = 0;; ++step) {
        DialogItemIndex answer = 0;
        if (driver->stepAlert(driver->context, &strings.view, step, &answer) == kPlatformUIDriverDone) {
            if (!HasButton(alert, answer)) {
                return false;
            }
            itemHit = answer;
            return true;
        }
        CFRunLoopRunInMode(ModalRunLoopMode(), 0, false);
    }
}

}  // namespace

const RuntimeClass kAlertClass{kAlertTypeID, "Alert", &FinalizeAs<OpaqueDialogPtr>, nullptr, nullptr, &DescribeAlert};

}  // namespace platform::ui

extern "C" {

OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamRec* param, UInt32 version)
{
    if (param == nullptr || version != kStdCFStringAlertVersionOne) {
        return paramErr;
    }
    *param = AlertStdCFStringAlertParamRec{};
    param->version = version;
    param->movable = false;
    param->helpButton = false;
    param->defaultText = kAlertDefaultOKText;
    param->cancelText = nullptr;
    param->otherText = nullptr;
    param->defaultButton = kAlertStdAlertOKButton;
    param->cancelButton = 0;
    param->position = kWindowDefaultPosition;
    param->flags = 0;
    return noErr;
}

OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec* param, DialogRef* outAlert)
{
    if (outAlert != nullptr) {
        *outAlert = nullptr;
    }
    if (outAlert == nullptr || !IsType(error, kStringTypeID) ||
        (explanation != nullptr && !IsType(explanation, kStringTypeID))) {
        return paramErr;
    }
    AlertStdCFStringAlertParamRec defaults;
    GetStandardAlertDefaultParams(&defaults, kStdCFStringAlertVersionOne);
    if (param == nullptr) {
        param = &defaults;
    }
    CFOwner<OpaqueDialogPtr*> made = AdoptCF(CreateInstance<OpaqueDialogPtr>(nullptr, kAlertClass));
    OpaqueDialogPtr* alert = made.Get();
    if (alert == nullptr) {
        return memFullErr;
    }
    alert->alertType = alertType;
    alert->message = StringUnits(error);
    if (explanation != nullptr) {
        alert->explanation = StringUnits(explanation);
    }
    alert->movable = param->movable != 0;
    // The first button is always there: an alert without one could never be answered.
    const CFStringRef defaultText = param->defaultText != nullptr ? param->defaultText : kAlertDefaultOKText;
    if (!ButtonText(defaultText, u"OK", alert->defaultText) ||
        !ButtonText(param->cancelText, u"Cancel", alert->cancelText) ||
        !ButtonText(param->otherText, u"Don't Save", alert->otherText)) {
        return paramErr;
    }
    alert->defaultButton = HasButton(alert, param->defaultButton) ? param->defaultButton
                                                                  : static_cast<DialogItemIndex>(kAlertStdAlertOKButton);
    alert->cancelButton = HasButton(alert, param->cancelButton) ? param->cancelButton : 0;
    *outAlert = made.LeakRef();
    return noErr;
}

OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP filterProc, DialogItemIndex* outItemHit)
{
    if (!IsType(inAlert, kAlertTypeID)) {
        return paramErr;
    }
    // Running the alert disposes of it: the caller's reference is given back when it ends.
    CFOwner<DialogRef> callersReference = AdoptCF(inAlert);
    const auto* alert = static_cast<const OpaqueDialogPtr*>(inAlert);
    DialogItemIndex itemHit = 0;
    OSStatus status = noErr;
    if (!AskDriver(alert, itemHit)) {
        itemHit = alert->cancelButton;
        status = userCanceledErr;
    }
    if (outItemHit != nullptr) {
        *outItemHit = itemHit;
    }
    return status;
}

void DisposeDialog(DialogRef theDialog)
{
    if (IsType(theDialog, kAlertTypeID)) {
        AdoptCF(theDialog).Reset();
    }
}

}  // extern "C"
