#include "user/TerminalUIDriver.h"

#include "common/TextConversion.h"
#include "terminal/TerminalStyle.h"

#include <stdexcept>

namespace cmhost {
namespace {

using namespace style;

std::vector<FormKey> DecodeAll(const std::string& bytes)
{
    std::vector<FormKey> keys;
    for (size_t at = 0; at < bytes.size();) {
        size_t used = 0;
        keys.push_back(DecodeFormKey(std::string_view(bytes).substr(at), &used));
        at += used;
    }
    return keys;
}

std::string AlertKindName(AlertType type)
{
    switch (type) {
    case kAlertStopAlert:
        return "Stop";
    case kAlertNoteAlert:
        return "Note";
    case kAlertCautionAlert:
        return "Caution";
    default:
        return "Alert";
    }
}

// How the report names an alert's button: by its number, as the alert's caller reads it.
std::string AlertButtonName(DialogItemIndex number)
{
    switch (number) {
    case kAlertStdAlertOKButton:
        return "ok";
    case kAlertStdAlertCancelButton:
        return "cancel";
    default:
        return "other";
    }
}

void PerformPress(WindowRef window, const DialogForm::Outcome& outcome)
{
    if (outcome.kind == DialogForm::Outcome::Kind::Press)
        PlatformUIClickControl(outcome.button);
    else
        PlatformUIClickCloseBox(window);
}

}  // namespace

TerminalUIDriver::TerminalUIDriver(int terminalFd, int waitMilliseconds)
    : mTerminalFd(terminalFd), mWaitMilliseconds(waitMilliseconds)
{
}

TerminalUIDriver::~TerminalUIDriver()
{
    GiveTerminalBack();
}

PlatformUIDriver TerminalUIDriver::Interface()
{
    return PlatformUIDriver{this, &StepWindow, &StepAlert, nullptr};
}

PlatformUIDriverAnswer TerminalUIDriver::StepWindow(void* context, WindowRef window, UInt32 step)
{
    return static_cast<TerminalUIDriver*>(context)->StepDialog(window, step);
}

PlatformUIDriverAnswer TerminalUIDriver::StepAlert(void* context, const PlatformUIAlert* alert, UInt32 step,
                                                   DialogItemIndex* itemHit)
{
    return static_cast<TerminalUIDriver*>(context)->StepStandardAlert(*alert, step, itemHit);
}

bool TerminalUIDriver::TakeTerminal()
{
    if (mTerminal)
        return true;
    platform::Result<std::unique_ptr<RawTerminal>> terminal = RawTerminal::Take(mTerminalFd, mTerminalFd, true);
    if (!terminal.Ok())
        return false;
    mTerminal = std::move(terminal.Value());
    return true;
}

void TerminalUIDriver::GiveTerminalBack()
{
    mTerminal.reset();
}

std::optional<std::string> TerminalUIDriver::TypedKeys()
{
    if (!mTerminal->WaitForInput(mWaitMilliseconds))
        return std::string();
    std::optional<std::string> bytes = mTerminal->ReadKeyBytes();
    if (bytes && bytes->empty()) {
        // The terminal was resized: everything is drawn again.
        for (auto& [window, open] : mOpenDialogs)
            open.drawn = false;
        if (mOpenAlert)
            mOpenAlert->drawn = false;
    }
    return bytes;
}

void TerminalUIDriver::Draw(const std::vector<std::string>& lines)
{
    std::string screen = "\x1b[H\x1b[2J";
    for (const std::string& line : lines)
        screen += line + "\n";
    mTerminal->Write(screen);
}

PlatformUIDriverAnswer TerminalUIDriver::StepDialog(WindowRef window, UInt32 step)
{
    auto found = mOpenDialogs.find(window);
    if (step == 0 || found == mOpenDialogs.end()) {
        // A window that starts its loop: reported as the user first sees it.
        OpenDialog open;
        open.form = std::make_unique<DialogForm>(window);
        mDialogs.push_back(DescribeDialog(open.form->Model()));
        open.report = mDialogs.size() - 1;
        found = mOpenDialogs.insert_or_assign(window, std::move(open)).first;
    } else if (!mTerminal) {
        // Still open after a button was pressed: the handlers may have changed what it shows.
        found->second.form->Refresh();
        found->second.drawn = false;
    }
    OpenDialog& open = found->second;
    DialogReport& report = mDialogs[open.report];
    if (!TakeTerminal()) {
        // Nobody can be asked: the loop goes on without a user and ends the dialog as cancelled.
        report.button = "cancel";
        mOpenDialogs.erase(found);
        return kPlatformUIDriverDone;
    }
    if (!open.drawn) {
        Draw(open.form->Lines());
        open.drawn = true;
    }
    std::optional<std::string> typed = TypedKeys();
    std::vector<FormKey> keys = typed ? DecodeAll(*typed) : std::vector<FormKey>{FormKey{FormKeyKind::Escape, {}}};
    for (const FormKey& key : keys) {
        DialogForm::Outcome outcome = open.form->Press(key);
        if (outcome.kind == DialogForm::Outcome::Kind::Changed)
            open.drawn = false;
        if (outcome.kind == DialogForm::Outcome::Kind::Press || outcome.kind == DialogForm::Outcome::Kind::CloseBox) {
            report.button = outcome.ending;
            GiveTerminalBack();
            PerformPress(window, outcome);
            if (!typed) {
                // The input has ended: nothing more can be typed into this dialog.
                mOpenDialogs.erase(window);
                return kPlatformUIDriverDone;
            }
            // Keys typed after the press are dropped: they were meant for what the press shows.
            return kPlatformUIDriverContinue;
        }
    }
    if (!typed) {
        mOpenDialogs.erase(found);
        return kPlatformUIDriverDone;
    }
    if (!open.drawn) {
        Draw(open.form->Lines());
        open.drawn = true;
    }
    return kPlatformUIDriverContinue;
}

PlatformUIDriverAnswer TerminalUIDriver::StepStandardAlert(const PlatformUIAlert& alert, UInt32 step,
                                                           DialogItemIndex* itemHit)
{
    if (step == 0 || !mOpenAlert) {
        OpenAlert open;
        const std::pair<DialogItemIndex, CFStringRef> buttons[] = {{kAlertStdAlertOKButton, alert.defaultText},
                                                                    {kAlertStdAlertCancelButton, alert.cancelText},
                                                                    {kAlertStdAlertOtherButton, alert.otherText}};
        for (const auto& [number, text] : buttons) {
            if (text == nullptr)
                continue;
            if (number == alert.defaultButton)
                open.focus = open.buttons.size();
            open.buttons.emplace_back(number, UTF8FromString(text));
        }
        mOpenAlert = std::move(open);
        mAlerts.push_back(AlertReport{UTF8FromString(alert.message), ""});
    }
    OpenAlert& open = *mOpenAlert;
    if (open.buttons.empty() || !TakeTerminal()) {
        mOpenAlert.reset();
        return kPlatformUIDriverDone;  // without a button: cancelled
    }
    auto draw = [&]() {
        std::vector<std::string> lines;
        lines.push_back(std::string(kBold) + "\u2500\u2500 " + AlertKindName(alert.alertType) + " \u2500\u2500" + kPlain);
        lines.emplace_back();
        lines.push_back("  " + std::string(kBold) + UTF8FromString(alert.message) + kPlain);
        if (alert.explanation != nullptr)
            lines.push_back("  " + UTF8FromString(alert.explanation));
        lines.emplace_back();
        std::string row;
        for (size_t i = 0; i < open.buttons.size(); ++i) {
            const bool isDefault = open.buttons[i].first == alert.defaultButton;
            std::string label = isDefault ? "<< " + open.buttons[i].second + " >>" : "< " + open.buttons[i].second + " >";
            row += "  " + (i == open.focus ? std::string(kReverse) + label + kPlain : label);
        }
        lines.push_back(row);
        lines.emplace_back();
        lines.push_back(std::string(kDim) + "Left/Right or Tab: choose  Enter or Space: press" +
                        (alert.cancelButton != 0 ? "  Esc: Cancel" : "") + kPlain);
        Draw(lines);
        open.drawn = true;
    };
    if (!open.drawn)
        draw();
    std::optional<std::string> typed = TypedKeys();
    if (!typed) {
        // The input has ended: the alert goes unanswered, which is a cancel.
        GiveTerminalBack();
        mOpenAlert.reset();
        return kPlatformUIDriverDone;
    }
    for (const FormKey& key : DecodeAll(*typed)) {
        std::optional<DialogItemIndex> pressed;
        switch (key.kind) {
        case FormKeyKind::Left:
        case FormKeyKind::Up:
        case FormKeyKind::BackTab:
            open.focus = (open.focus + open.buttons.size() - 1) % open.buttons.size();
            open.drawn = false;
            break;
        case FormKeyKind::Right:
        case FormKeyKind::Down:
        case FormKeyKind::Tab:
            open.focus = (open.focus + 1) % open.buttons.size();
            open.drawn = false;
            break;
        case FormKeyKind::Enter:
            pressed = open.buttons[open.focus].first;
            break;
        case FormKeyKind::Text:
            if (key.text == " ")
                pressed = open.buttons[open.focus].first;
            break;
        case FormKeyKind::Escape:
        case FormKeyKind::Interrupt:
            if (alert.cancelButton != 0)
                pressed = alert.cancelButton;
            break;
        default:
            break;
        }
        if (pressed) {
            *itemHit = *pressed;
            mAlerts.back().button = AlertButtonName(*pressed);
            GiveTerminalBack();
            mOpenAlert.reset();
            return kPlatformUIDriverDone;
        }
    }
    if (!open.drawn)
        draw();
    return kPlatformUIDriverContinue;
}

}  // namespace cmhost
