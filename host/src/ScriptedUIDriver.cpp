#include "ScriptedUIDriver.h"

#include "CFRef.h"
#include "TextConversion.h"

#include <cmath>

namespace cmhost {
namespace {

// The controls of the new-clip dialog that the script's fields name.
constexpr ControlID kNameFieldID = {'Swdg', 3};
constexpr ControlID kSecureBoxID = {'Swdg', 5};
constexpr ControlID kPlainTextBoxID = {'Swdg', 6};

bool SameID(const ControlID& a, const ControlID& b)
{
    return a.signature == b.signature && a.id == b.id;
}

// The first control of the window that matches.
template <typename Match>
ControlRef FindControl(WindowRef window, Match&& match)
{
    CFIndex count = PlatformUIGetControlCount(window);
    for (CFIndex i = 0; i < count; ++i) {
        ControlRef control = PlatformUIGetControlAtIndex(window, i);
        PlatformUIControlInfo info{};
        if (PlatformUIGetControlInfo(control, &info) && match(info))
            return control;
    }
    return nullptr;
}

ControlRef FindByID(WindowRef window, const ControlID& id)
{
    return FindControl(window, [&id](const PlatformUIControlInfo& info) { return SameID(info.id, id); });
}

std::string TextOf(ControlRef control)
{
    CFRef<CFStringRef> text = CFRef<CFStringRef>::Adopt(PlatformUICopyControlText(control));
    return text ? UTF8FromString(text.Get()) : std::string();
}

void TypeInto(ControlRef control, const std::string& text)
{
    CFRef<CFStringRef> string = CreateStringFromUTF8(text);
    if (control != nullptr && string)
        PlatformUITypeText(control, string.Get());
}

void SetCheckBox(ControlRef box, bool wanted)
{
    PlatformUIControlInfo info{};
    if (box != nullptr && PlatformUIGetControlInfo(box, &info) && (info.value != 0) != wanted)
        PlatformUIClickControl(box);
}

DialogReport Describe(WindowRef window)
{
    DialogReport report;
    report.window = UTF8FromString(CFRef<CFStringRef>::Adopt(PlatformUICopyWindowName(window)).Get());
    PlatformUIControlInfo info{};
    if (ControlRef name = FindByID(window, kNameFieldID); name != nullptr && PlatformUIGetControlInfo(name, &info)) {
        report.name = TextOf(name);
        report.nameSelection[0] = info.selection.selStart;
        report.nameSelection[1] = info.selection.selEnd;
    }
    ControlRef combo = FindControl(window, [](const auto& each) { return each.kind == kPlatformControlComboBox; });
    if (combo != nullptr && PlatformUIGetControlInfo(combo, &info)) {
        report.submenu = TextOf(combo);
        report.comboY = info.frame.origin.y;
        CFRef<CFArrayRef> items = CFRef<CFArrayRef>::Adopt(PlatformUICopyComboBoxItems(combo));
        for (CFIndex i = 0; items && i < CFArrayGetCount(items.Get()); ++i)
            report.submenuChoices.push_back(
                UTF8FromString(static_cast<CFStringRef>(CFArrayGetValueAtIndex(items.Get(), i))));
    }
    if (ControlRef secure = FindByID(window, kSecureBoxID); secure != nullptr && PlatformUIGetControlInfo(secure, &info))
        report.secure = info.value != 0;
    if (ControlRef plain = FindByID(window, kPlainTextBoxID); plain != nullptr && PlatformUIGetControlInfo(plain, &info)) {
        report.plainText = info.value != 0;
        report.plainTextVisible = info.shown;
    }
    return report;
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
    return PlatformUIDriver{this, &StepWindow, &StepAlert};
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
    DialogReport report = Describe(window);
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
        TypeInto(FindByID(window, kNameFieldID), *answer.name);
    if (answer.submenu)
        TypeInto(FindControl(window, [](const auto& each) { return each.kind == kPlatformControlComboBox; }),
                 *answer.submenu);
    if (answer.secure)
        SetCheckBox(FindByID(window, kSecureBoxID), *answer.secure);
    if (answer.plainText)
        SetCheckBox(FindByID(window, kPlainTextBoxID), *answer.plainText);

    ControlRef button = nullptr;
    if (answer.button == "ok")
        button = FindControl(window, [](const auto& each) { return each.isDefault && each.shown; });
    else if (answer.button == "cancel")
        button = FindControl(window, [](const auto& each) {
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

nlohmann::ordered_json ScriptedUIDriver::DialogsJson() const
{
    nlohmann::ordered_json dialogs = nlohmann::ordered_json::array();
    for (const DialogReport& each : mDialogs) {
        nlohmann::ordered_json comboY;
        if (std::floor(each.comboY) == each.comboY && std::fabs(each.comboY) < 1e9)
            comboY = static_cast<long long>(each.comboY);
        else
            comboY = each.comboY;
        dialogs.push_back({{"window", each.window},
                           {"name", each.name},
                           {"nameSelection", {each.nameSelection[0], each.nameSelection[1]}},
                           {"submenuChoices", each.submenuChoices},
                           {"submenu", each.submenu},
                           {"comboY", comboY},
                           {"secure", each.secure},
                           {"plainText", each.plainText},
                           {"plainTextVisible", each.plainTextVisible},
                           {"button", each.button}});
    }
    return dialogs;
}

nlohmann::ordered_json ScriptedUIDriver::AlertsJson() const
{
    nlohmann::ordered_json alerts = nlohmann::ordered_json::array();
    for (const AlertReport& each : mAlerts)
        alerts.push_back({{"message", each.message}, {"button", each.button}});
    return alerts;
}

}  // namespace cmhost
