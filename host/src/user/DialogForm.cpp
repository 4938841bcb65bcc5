#include "user/DialogForm.h"

#include "CFOwner.h"
#include "common/TextConversion.h"
#include "terminal/TerminalStyle.h"
#include "user/DialogReport.h"

#include <algorithm>
#include <cmath>

namespace cmhost {
namespace {

using namespace style;

// Controls whose vertical middles are this close share a row on the terminal.
constexpr double kRowTolerance = 8;
// Window points per terminal column, for the width of text fields.
constexpr double kPointsPerColumn = 8;
constexpr size_t kNarrowestField = 12;

std::vector<std::string> Characters(const std::string& text)
{
    std::vector<std::string> characters;
    for (size_t at = 0; at < text.size();) {
        size_t length = 1;
        while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
            ++length;
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

std::string Joined(const std::vector<std::string>& characters, size_t from, size_t to)
{
    std::string text;
    for (size_t i = from; i < to && i < characters.size(); ++i)
        text += characters[i];
    return text;
}

std::string TitleOf(ControlRef control)
{
    platform::CFOwner<CFStringRef> title = platform::AdoptCF(PlatformUICopyControlTitle(control));
    return title ? UTF8FromString(title.Get()) : std::string();
}

std::vector<std::string> ComboChoices(ControlRef combo)
{
    std::vector<std::string> choices;
    platform::CFOwner<CFArrayRef> items = platform::AdoptCF(PlatformUICopyComboBoxItems(combo));
    for (CFIndex i = 0; items && i < CFArrayGetCount(items.Get()); ++i)
        choices.push_back(UTF8FromString(static_cast<CFStringRef>(CFArrayGetValueAtIndex(items.Get(), i))));
    return choices;
}

bool IsTextKind(PlatformControlKind kind)
{
    return kind == kPlatformControlEditText || kind == kPlatformControlComboBox;
}

DialogForm::Outcome Changed()
{
    DialogForm::Outcome outcome;
    outcome.kind = DialogForm::Outcome::Kind::Changed;
    return outcome;
}

double Middle(const PlatformUIControlInfo& info)
{
    return info.frameInWindow.origin.y + info.frameInWindow.size.height / 2;
}

}  // namespace

DialogForm::DialogForm(WindowRef window) : mWindow(window)
{
    platform::CFOwner<CFStringRef> name = platform::AdoptCF(PlatformUICopyWindowName(window));
    mTitle = name ? UTF8FromString(name.Get()) : std::string("Dialog");
    Refresh();
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
    mFields.clear();
    CFIndex count = PlatformUIGetControlCount(mWindow);
    for (CFIndex i = 0; i < count; ++i) {
        Field field{PlatformUIGetControlAtIndex(mWindow, i), {}};
        if (PlatformUIGetControlInfo(field.control, &field.info) && field.info.shown)
            mFields.push_back(field);
    }
    // Rows from top to bottom, left to right within a row, as the window places them.
    std::stable_sort(mFields.begin(), mFields.end(), [](const Field& a, const Field& b) {
        if (std::fabs(Middle(a.info) - Middle(b.info)) > kRowTolerance)
            return Middle(a.info) < Middle(b.info);
        return a.info.frameInWindow.origin.x < b.info.frameInWindow.origin.x;
    });
    if (FocusedField() == nullptr && mFocused != nullptr) {
        mFocused = nullptr;
        MoveFocus(1);
    }
}

bool DialogForm::TakesFocus(const Field& field) const
{
    return field.info.kind != kPlatformControlStaticText && field.info.kind != kPlatformControlRootView &&
           field.info.kind != kPlatformControlContentView;
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

DialogForm::Editing DialogForm::InitialEditing(const Field& field) const
{
    // The text as the window shows it, with the selection the window gave it.
    Editing editing;
    editing.characters = Characters(ControlText(field.control));
    const size_t size = editing.characters.size();
    const auto clamp = [size](SInt16 at) { return std::min<size_t>(static_cast<size_t>(std::max<SInt16>(at, 0)), size); };
    editing.selectionStart = clamp(field.info.selection.selStart);
    editing.selectionEnd = clamp(field.info.selection.selEnd);
    if (editing.selectionEnd < editing.selectionStart)
        std::swap(editing.selectionStart, editing.selectionEnd);
    editing.cursor = editing.selectionEnd;
    return editing;
}

DialogForm::Editing DialogForm::ShownEditing(const Field& field) const
{
    auto found = mEditing.find(field.control);
    return found != mEditing.end() ? found->second : InitialEditing(field);
}

DialogForm::Editing& DialogForm::EditingOf(const Field& field)
{
    auto found = mEditing.find(field.control);
    if (found != mEditing.end())
        return found->second;
    return mEditing.emplace(field.control, InitialEditing(field)).first->second;
}

void DialogForm::StoreText(const Field& field, Editing& editing)
{
    platform::CFOwner<CFStringRef> text =
        CreateStringFromUTF8(Joined(editing.characters, 0, editing.characters.size()));
    if (text)
        PlatformUITypeText(field.control, text.Get());
}

DialogForm::Outcome DialogForm::Edit(const Field& field, const FormKey& key)
{
    Editing& editing = EditingOf(field);
    std::vector<std::string>& characters = editing.characters;
    const bool selected = editing.selectionEnd > editing.selectionStart;
    auto removeSelection = [&editing, &characters]() {
        characters.erase(characters.begin() + static_cast<std::ptrdiff_t>(editing.selectionStart),
                         characters.begin() + static_cast<std::ptrdiff_t>(editing.selectionEnd));
        editing.cursor = editing.selectionStart;
        editing.selectionEnd = editing.selectionStart;
    };
    auto collapseTo = [&editing](size_t position) {
        editing.cursor = position;
        editing.selectionStart = editing.selectionEnd = position;
    };
    switch (key.kind) {
    case FormKeyKind::Text:
        if (selected)
            removeSelection();
        characters.insert(characters.begin() + static_cast<std::ptrdiff_t>(editing.cursor), key.text);
        collapseTo(editing.cursor + 1);
        break;
    case FormKeyKind::Backspace:
        if (selected)
            removeSelection();
        else if (editing.cursor > 0) {
            characters.erase(characters.begin() + static_cast<std::ptrdiff_t>(editing.cursor - 1));
            collapseTo(editing.cursor - 1);
        } else
            return {};
        break;
    case FormKeyKind::Delete:
        if (selected)
            removeSelection();
        else if (editing.cursor < characters.size())
            characters.erase(characters.begin() + static_cast<std::ptrdiff_t>(editing.cursor));
        else
            return {};
        break;
    case FormKeyKind::Left:
        collapseTo(selected ? editing.selectionStart : (editing.cursor > 0 ? editing.cursor - 1 : 0));
        return Changed();
    case FormKeyKind::Right:
        collapseTo(selected ? editing.selectionEnd : std::min(editing.cursor + 1, characters.size()));
        return Changed();
    case FormKeyKind::Home:
        collapseTo(0);
        return Changed();
    case FormKeyKind::End:
        collapseTo(characters.size());
        return Changed();
    default:
        return {};
    }
    StoreText(field, editing);
    return Changed();
}

DialogForm::Outcome DialogForm::PickChoice(const Field& field, int direction)
{
    std::vector<std::string> choices = ComboChoices(field.control);
    if (choices.empty())
        return {};
    Editing& editing = EditingOf(field);
    const std::string current = Joined(editing.characters, 0, editing.characters.size());
    auto at = std::find(choices.begin(), choices.end(), current);
    size_t index = 0;
    if (at == choices.end())
        index = direction > 0 ? 0 : choices.size() - 1;
    else
        index = std::clamp<long>(static_cast<long>(at - choices.begin()) + direction, 0,
                                 static_cast<long>(choices.size()) - 1);
    editing.characters = Characters(choices[index]);
    editing.selectionStart = 0;
    editing.selectionEnd = editing.cursor = editing.characters.size();
    StoreText(field, editing);
    return Changed();
}

DialogForm::Outcome DialogForm::PressButton(ControlRef button) const
{
    PlatformUIControlInfo info{};
    PlatformUIGetControlInfo(button, &info);
    Outcome outcome{Outcome::Kind::Press, button, TitleOf(button)};
    if (info.command == kHICommandOK || info.isDefault)
        outcome.ending = "ok";
    else if (info.command == kHICommandCancel)
        outcome.ending = "cancel";
    return outcome;
}

DialogForm::Outcome DialogForm::PressDefault() const
{
    for (const Field& field : mFields)
        if (field.info.kind == kPlatformControlPushButton && field.info.isDefault)
            return PressButton(field.control);
    return {};
}

DialogForm::Outcome DialogForm::Cancel() const
{
    for (const Field& field : mFields)
        if (field.info.kind == kPlatformControlPushButton && field.info.command == kHICommandCancel)
            return PressButton(field.control);
    return {Outcome::Kind::CloseBox, nullptr, "close"};
}

DialogForm::Outcome DialogForm::Press(const FormKey& key)
{
    if (key.kind == FormKeyKind::Escape || key.kind == FormKeyKind::Interrupt)
        return Cancel();
    if (key.kind == FormKeyKind::Tab || key.kind == FormKeyKind::BackTab) {
        MoveFocus(key.kind == FormKeyKind::Tab ? 1 : -1);
        // As a window does when the keyboard focus moves into a text field: all of its text is
        // selected, so that typing replaces it.
        if (const Field* entered = FocusedField();
            entered != nullptr && (entered->info.kind == kPlatformControlEditText ||
                                   entered->info.kind == kPlatformControlComboBox)) {
            Editing& editing = EditingOf(*entered);
            editing.selectionStart = 0;
            editing.selectionEnd = editing.cursor = editing.characters.size();
        }
        return Changed();
    }
    const Field* field = FocusedField();
    if (field == nullptr)
        return key.kind == FormKeyKind::Enter ? PressDefault() : Outcome{};
    const PlatformControlKind kind = field->info.kind;
    if (key.kind == FormKeyKind::Enter)
        return kind == kPlatformControlPushButton ? PressButton(field->control) : PressDefault();
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
            return PressButton(field->control);
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
        return ControlText(field.control);
    case kPlatformControlEditText:
    case kPlatformControlComboBox: {
        const Editing shown = ShownEditing(field);
        const size_t width =
            std::max(kNarrowestField, static_cast<size_t>(field.info.frameInWindow.size.width / kPointsPerColumn));
        std::string text = "[";
        const size_t count = shown.characters.size();
        if (!focused) {
            text += Joined(shown.characters, 0, count);
        } else if (shown.selectionEnd > shown.selectionStart) {
            text += Joined(shown.characters, 0, shown.selectionStart) + kReverse +
                    Joined(shown.characters, shown.selectionStart, shown.selectionEnd) + kPlain +
                    Joined(shown.characters, shown.selectionEnd, count);
        } else {
            // The cursor: the character under it in reverse video, or a blank after the end.
            text += Joined(shown.characters, 0, shown.cursor) + kReverse +
                    (shown.cursor < count ? shown.characters[shown.cursor] : std::string(" ")) + kPlain +
                    Joined(shown.characters, shown.cursor + 1, count);
        }
        const size_t used = count + (focused && shown.cursor >= count && shown.selectionEnd == shown.selectionStart ? 1 : 0);
        if (used < width)
            text += std::string(width - used, '_');
        text += "]";
        if (field.info.kind == kPlatformControlComboBox)
            text += "\u25BE";
        return text;
    }
    case kPlatformControlCheckBox: {
        std::string box = std::string(field.info.value != 0 ? "[x] " : "[ ] ") + TitleOf(field.control);
        return focused ? std::string(kReverse) + box + kPlain : box;
    }
    case kPlatformControlPushButton: {
        std::string button = field.info.isDefault ? "<< " + TitleOf(field.control) + " >>"
                                                  : "< " + TitleOf(field.control) + " >";
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
    lines.push_back(std::string(kBold) + "\u2500\u2500 " + mTitle + " \u2500\u2500" + kPlain);
    lines.emplace_back();
    std::string row;
    double rowMiddle = 0;
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
        if (!row.empty() && std::fabs(Middle(field.info) - rowMiddle) > kRowTolerance)
            endRow();
        std::string piece = RenderField(field);
        if (piece.empty())
            continue;
        row += "  " + piece;
        rowMiddle = Middle(field.info);
        if (field.info.kind == kPlatformControlComboBox && field.control == mFocused) {
            // The list the user picks from with Up and Down.
            const std::string current = ControlText(field.control);
            std::string list = std::string("  ") + kDim + "choices:" + kPlain;
            for (const std::string& choice : ComboChoices(field.control))
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
