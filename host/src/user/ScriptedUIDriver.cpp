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

}  // namespace

bool ParseDialogAnswer(const std::string& text, DialogAnswer& out, std::string& error)
{
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        error = "--dialog: not a JSON object: " + text;
        return false;
    }
    DialogAnswer answer;
    for (const auto& [key, value] : json.items()) {
        if (key == "name" || key == "submenu") {
            if (!value.is_string()) {
                error = "--dialog: \"" + key + "\" must be a string";
                return false;
            }
            (key == "name" ? answer.name : answer.submenu) = value.get<std::string>();
        } else if (key == "secure" || key == "plainText") {
            if (!value.is_boolean()) {
                error = "--dialog: \"" + key + "\" must be true or false";
                return false;
            }
            (key == "secure" ? answer.secure : answer.plainText) = value.get<bool>();
        } else if (key == "button") {
            if (!value.is_string() || (value != "ok" && value != "cancel" && value != "close")) {
                error = "--dialog: \"button\" must be \"ok\", \"cancel\" or \"close\"";
                return false;
            }
            answer.button = value.get<std::string>();
        } else {
            error = "--dialog: unknown field \"" + key + "\"";
            return false;
        }
    }
    out = std::move(answer);
    return true;
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
    DialogReport report = DescribeDialog(window);
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
        TypeInto(FindControlByID(window, kNameFieldID), *answer.name);
    if (answer.submenu)
        TypeInto(FindComboBox(window),
                 *answer.submenu);
    if (answer.secure)
        SetCheckBox(FindControlByID(window, kSecureBoxID), *answer.secure);
    if (answer.plainText)
        SetCheckBox(FindControlByID(window, kPlainTextBoxID), *answer.plainText);

    ControlRef button = nullptr;
    if (answer.button == "ok")
        button = FindWindowControl(window, [](const auto& each) { return each.isDefault && each.shown; });
    else if (answer.button == "cancel")
        button = FindWindowControl(window, [](const auto& each) {
            return each.kind == kPlatformControlPushButton && each.command == kHICommandCancel && each.shown;
        });
    if (button != nullptr)
        PlatformUIClickControl(button);
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
