#include "user/ScriptedUIDriver.h"

#include "CFOwner.h"
#include "common/TextConversion.h"

namespace cmhost {
namespace {

void TypeInto(ControlRef control, const std::string& text)
{
    platform::CFOwner<CFStringRef> string = CreateStringFromUTF8(text);
    if (control != nullptr && string)
        PlatformUITypeText(control, string.Get());
}

void SetCheckBox(ControlRef box, bool wanted)
{
    PlatformUIControlInfo info{};
    if (box != nullptr && PlatformUIGetControlInfo(box, &info) && (info.value != 0) != wanted)
        PlatformUIClickControl(box);
}

ControlRef ControlOf(const DialogControl* control)
{
    return control != nullptr ? control->control : nullptr;
}

platform::Failure Refused(std::string reason)
{
    return platform::Failure{paramErr, 0, std::move(reason)};
}

}  // namespace

platform::Result<DialogAnswer> ParseDialogAnswer(const std::string& text)
{
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return Refused("--dialog: not a JSON object: " + text);
    }
    DialogAnswer answer;
    for (const auto& [key, value] : json.items()) {
        if (key == "name" || key == "submenu") {
            if (!value.is_string()) {
                return Refused("--dialog: \"" + key + "\" must be a string");
            }
            (key == "name" ? answer.name : answer.submenu) = value.get<std::string>();
        } else if (key == "secure" || key == "plainText") {
            if (!value.is_boolean()) {
                return Refused("--dialog: \"" + key + "\" must be true or false");
            }
            (key == "secure" ? answer.secure : answer.plainText) = value.get<bool>();
        } else if (key == "button") {
            if (!value.is_string() || (value != "ok" && value != "cancel" && value != "close")) {
                return Refused("--dialog: \"button\" must be \"ok\", \"cancel\" or \"close\"");
            }
            answer.button = value.get<std::string>();
        } else {
            return Refused("--dialog: unknown field \"" + key + "\"");
        }
    }
    return answer;
}

ScriptedUIDriver::ScriptedUIDriver(std::vector<DialogAnswer> dialogs, std::optional<std::string> alertButton)
    : mScript(std::move(dialogs)), mAlertButton(std::move(alertButton))
{
}

PlatformUIDriver ScriptedUIDriver::Interface()
{
    return PlatformUIDriver{this, &StepWindow, &StepAlert, nullptr};
}

PlatformUIDriverAnswer ScriptedUIDriver::StepWindow(void* context, WindowRef window, UInt32 step)
{
    // Everything happens at the first step; a dialog that does not end on the scripted button is
    // left to the platform, which cancels it.
    if (step == 0)
        static_cast<ScriptedUIDriver*>(context)->AnswerWindow(window);
    return kPlatformUIDriverDone;
}

void ScriptedUIDriver::AnswerWindow(WindowRef window)
{
    const DialogModel shown(window);
    DialogReport report = DescribeDialog(shown);
    if (mNextAnswer >= mScript.size()) {
        // More dialogs than answers: nobody answers this one, so it ends as cancelled.
        report.button = "cancel";
        mDialogs.push_back(std::move(report));
        return;
    }
    const DialogAnswer& answer = mScript[mNextAnswer++];
    report.button = answer.button;
    mDialogs.push_back(report);

    if (answer.name)
        TypeInto(ControlOf(shown.Find(kNameFieldID)), *answer.name);
    if (answer.submenu)
        TypeInto(ControlOf(shown.FirstOfKind(kPlatformControlComboBox)), *answer.submenu);
    if (answer.secure)
        SetCheckBox(ControlOf(shown.Find(kSecureBoxID)), *answer.secure);
    if (answer.plainText)
        SetCheckBox(ControlOf(shown.Find(kPlainTextBoxID)), *answer.plainText);

    // Read again: the boxes' handlers may have shown or hidden buttons.
    const DialogModel now(window);
    const DialogControl* button = answer.button == "ok"       ? now.DefaultButton()
                                  : answer.button == "cancel" ? now.CancelButton()
                                                              : nullptr;
    if (button != nullptr)
        PlatformUIClickControl(button->control);
    else
        PlatformUIClickCloseBox(window);
}

PlatformUIDriverAnswer ScriptedUIDriver::StepAlert(void* context, const PlatformUIAlert* alert, UInt32,
                                                   DialogItemIndex* itemHit)
{
    auto* self = static_cast<ScriptedUIDriver*>(context);
    AlertReport report{UTF8FromString(alert->message), ""};
    if (self->mAlertButton == "ok") {
        *itemHit = alert->defaultButton;
        report.button = "ok";
    } else if (self->mAlertButton == "cancel" && alert->cancelButton != 0) {
        *itemHit = alert->cancelButton;
        report.button = "cancel";
    }
    self->mAlerts.push_back(std::move(report));
    return kPlatformUIDriverDone;
}

}  // namespace cmhost
