#include "user/DialogForm.h"

#include "CFOwner.h"
#include "common/TextConversion.h"
#include "terminal/TerminalStyle.h"

#include <algorithm>

namespace cmhost {
namespace {

using namespace style;

// Window points per terminal column, for the width of text fields.
constexpr double kPointsPerColumn = 8;
constexpr size_t kNarrowestField = 12;

bool IsTextKind(PlatformControlKind kind)
{
    return kind == kPlatformControlEditText || kind == kPlatformControlComboBox;
}

bool TakesFocus(const DialogControl& field)
{
    return field.info.kind != kPlatformControlStaticText;
}

DialogForm::Outcome Changed()
{
    DialogForm::Outcome outcome;
    outcome.kind = DialogForm::Outcome::Kind::Changed;
    return outcome;
}

}  // namespace

DialogForm::DialogForm(WindowRef window) : mWindow(window), mModel(window)
{
    ShowFields();
    for (const Field& field : mFields)
        if (field.info.focused && TakesFocus(field))
            mFocused = field.control;
    for (const Field& field : mFields)
        if (mFocused == nullptr && field.info.kind == kPlatformControlEditText)
            mFocused = field.control;
    if (mFocused == nullptr)
        MoveFocus(1);
}

void DialogForm::Refresh()
{
    mModel = DialogModel(mWindow);
    ShowFields();
}

void DialogForm::ShowFields()
{
    mFields.clear();
    for (const DialogControl& each : mModel.Controls())
        if (each.Shown())
            mFields.push_back(each);
    if (FocusedField() == nullptr && mFocused != nullptr) {
        mFocused = nullptr;
        MoveFocus(1);
    }
}

const DialogForm::Field* DialogForm::FocusedField() const
{
    for (const Field& field : mFields)
        if (field.control == mFocused)
            return &field;
    return nullptr;
}

void DialogForm::MoveFocus(int direction)
{
    std::vector<ControlRef> order;
    for (const Field& field : mFields)
        if (TakesFocus(field))
            order.push_back(field.control);
    if (order.empty())
        return;
    auto at = std::find(order.begin(), order.end(), mFocused);
    if (at == order.end()) {
        mFocused = direction > 0 ? order.front() : order.back();
        return;
    }
    size_t index = static_cast<size_t>(at - order.begin());
    index = (index + order.size() + (direction > 0 ? 1 : order.size() - 1)) % order.size();
    mFocused = order[index];
}

LineEditor DialogForm::ShownEditing(const Field& field) const
{
    auto found = mEditing.find(field.control);
    if (found != mEditing.end())
        return found->second;
    // The text as the window shows it, with the selection the window gave it.
    return LineEditor(field.text, field.info.selection.selStart, field.info.selection.selEnd);
}

LineEditor& DialogForm::EditingOf(const Field& field)
{
    auto found = mEditing.find(field.control);
    if (found != mEditing.end())
        return found->second;
    return mEditing.emplace(field.control, ShownEditing(field)).first->second;
}

void DialogForm::StoreText(const Field& field, const LineEditor& editing)
{
    platform::CFOwner<CFStringRef> text = CreateStringFromUTF8(editing.Text());
    if (text)
        PlatformUITypeText(field.control, text.Get());
    // The field's handlers may change what the window shows; field is not used after this.
    Refresh();
}

DialogForm::Outcome DialogForm::Edit(const Field& field, const FormKey& key)
{
    LineEditor& editing = EditingOf(field);
    switch (editing.Press(key)) {
    case LineEditor::Change::None:
        return {};
    case LineEditor::Change::Edited:
        StoreText(field, editing);
        return Changed();
    case LineEditor::Change::Moved:
        return Changed();
    }
    return {};
}

DialogForm::Outcome DialogForm::PickChoice(const Field& field, int direction)
{
    const std::vector<std::string>& choices = field.choices;
    if (choices.empty())
        return {};
    LineEditor& editing = EditingOf(field);
    auto at = std::find(choices.begin(), choices.end(), editing.Text());
    size_t index = 0;
    if (at == choices.end())
        index = direction > 0 ? 0 : choices.size() - 1;
    else
        index = std::clamp<long>(static_cast<long>(at - choices.begin()) + direction, 0,
                                 static_cast<long>(choices.size()) - 1);
    editing.Replace(choices[index]);
    StoreText(field, editing);
    return Changed();
}

DialogForm::Outcome DialogForm::PressButton(const Field& button) const
{
    Outcome outcome{Outcome::Kind::Press, button.control, button.title};
    if (button.Role() == ButtonRole::Accept)
        outcome.ending = "ok";
    else if (button.Role() == ButtonRole::Reject)
        outcome.ending = "cancel";
    return outcome;
}

DialogForm::Outcome DialogForm::Press(const FormKey& key)
{
    if (key.kind == FormKeyKind::Escape || key.kind == FormKeyKind::Interrupt) {
        const DialogControl* cancel = mModel.CancelButton();
        return cancel != nullptr ? PressButton(*cancel) : Outcome{Outcome::Kind::CloseBox, nullptr, "close"};
    }
    if (key.kind == FormKeyKind::Tab || key.kind == FormKeyKind::BackTab) {
        MoveFocus(key.kind == FormKeyKind::Tab ? 1 : -1);
        // As a window does when the keyboard focus moves into a text field: all of its text is
        // selected, so that typing replaces it.
        if (const Field* entered = FocusedField(); entered != nullptr && IsTextKind(entered->info.kind))
            EditingOf(*entered).SelectAll();
        return Changed();
    }
    const DialogControl* defaultButton = mModel.DefaultButton();
    const Field* field = FocusedField();
    if (key.kind == FormKeyKind::Enter && (field == nullptr || field->info.kind != kPlatformControlPushButton))
        return defaultButton != nullptr ? PressButton(*defaultButton) : Outcome{};
    if (field == nullptr)
        return {};
    const PlatformControlKind kind = field->info.kind;
    if (key.kind == FormKeyKind::Enter)
        return PressButton(*field);
    if (kind == kPlatformControlComboBox && (key.kind == FormKeyKind::Up || key.kind == FormKeyKind::Down))
        return PickChoice(*field, key.kind == FormKeyKind::Down ? 1 : -1);
    if (key.kind == FormKeyKind::Up || key.kind == FormKeyKind::Down) {
        MoveFocus(key.kind == FormKeyKind::Down ? 1 : -1);
        return Changed();
    }
    if (IsTextKind(kind))
        return Edit(*field, key);
    if (key.kind == FormKeyKind::Left || key.kind == FormKeyKind::Right) {
        MoveFocus(key.kind == FormKeyKind::Right ? 1 : -1);
        return Changed();
    }
    if (key.kind == FormKeyKind::Text && key.text == " ") {
        if (kind == kPlatformControlPushButton)
            return PressButton(*field);
        if (kind == kPlatformControlCheckBox) {
            PlatformUIClickControl(field->control);
            // The box's handlers may show or hide other controls.
            Refresh();
            return Changed();
        }
    }
    return {};
}

std::string DialogForm::RenderField(const Field& field) const
{
    const bool focused = field.control == mFocused;
    switch (field.info.kind) {
    case kPlatformControlStaticText:
        return field.text;
    case kPlatformControlEditText:
    case kPlatformControlComboBox: {
        const size_t width =
            std::max(kNarrowestField, static_cast<size_t>(field.info.frameInWindow.size.width / kPointsPerColumn));
        std::string text = "[" + ShownEditing(field).Drawn(focused, width) + "]";
        if (field.info.kind == kPlatformControlComboBox)
            text += "\u25BE";
        return text;
    }
    case kPlatformControlCheckBox: {
        std::string box = std::string(field.info.value != 0 ? "[x] " : "[ ] ") + field.title;
        return focused ? std::string(kReverse) + box + kPlain : box;
    }
    case kPlatformControlPushButton: {
        std::string button = field.info.isDefault ? "<< " + field.title + " >>" : "< " + field.title + " >";
        if (focused)
            return std::string(kReverse) + button + kPlain;
        return field.info.isDefault ? std::string(kBold) + button + kPlain : button;
    }
    default:
        return {};
    }
}

std::vector<std::string> DialogForm::Lines() const
{
    std::vector<std::string> lines;
    const std::string title = mModel.Name().empty() ? std::string("Dialog") : mModel.Name();
    lines.push_back(std::string(kBold) + "\u2500\u2500 " + title + " \u2500\u2500" + kPlain);
    lines.emplace_back();
    std::string row;
    int rowNumber = 0;
    std::vector<std::string> afterRow;
    auto endRow = [&]() {
        if (!row.empty())
            lines.push_back(row);
        for (std::string& extra : afterRow)
            lines.push_back(std::move(extra));
        row.clear();
        afterRow.clear();
    };
    for (const Field& field : mFields) {
        if (!row.empty() && field.row != rowNumber)
            endRow();
        std::string piece = RenderField(field);
        if (piece.empty())
            continue;
        row += "  " + piece;
        rowNumber = field.row;
        if (field.info.kind == kPlatformControlComboBox && field.control == mFocused) {
            // The list the user picks from with Up and Down.
            const std::string& current = field.text;
            std::string list = std::string("  ") + kDim + "choices:" + kPlain;
            for (const std::string& choice : field.choices)
                list += "  " + (choice == current ? std::string(kReverse) + choice + kPlain : choice);
            afterRow.push_back(list);
        }
    }
    endRow();
    lines.emplace_back();
    const Field* focused = FocusedField();
    std::string hints = "Tab: next  Shift-Tab: back  Enter: OK  Esc: Cancel";
    if (focused != nullptr && focused->info.kind == kPlatformControlComboBox)
        hints = "Up/Down: pick from the list, or type  " + hints;
    else if (focused != nullptr && focused->info.kind == kPlatformControlCheckBox)
        hints = "Space: check or uncheck  " + hints;
    else if (focused != nullptr && focused->info.kind == kPlatformControlPushButton)
        hints = "Space or Enter: press  " + hints;
    lines.push_back(std::string(kDim) + hints + kPlain);
    return lines;
}

}  // namespace cmhost
