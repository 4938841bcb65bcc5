#include "dialogs/DialogWindow.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/QtText.h"
#include "user/DialogModel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <numeric>

namespace popup {
namespace {

QString FromUTF8(const std::string& text)
{
    return QString::fromStdString(text);
}

QStringList ChoicesOf(const cmhost::DialogControl& control)
{
    QStringList choices;
    for (const std::string& choice : control.choices)
        choices.push_back(FromUTF8(choice));
    return choices;
}

QDialogButtonBox::ButtonRole BoxRole(cmhost::ButtonRole role)
{
    switch (role) {
    case cmhost::ButtonRole::Accept:
        return QDialogButtonBox::AcceptRole;
    case cmhost::ButtonRole::Reject:
        return QDialogButtonBox::RejectRole;
    case cmhost::ButtonRole::Other:
        break;
    }
    return QDialogButtonBox::ActionRole;
}

// A control's name for the widget's object name: its signature and number, when it has them.
QString ObjectNameFor(const PlatformUIControlInfo& info)
{
    if (info.id.signature == 0)
        return {};
    QString signature;
    for (int shift = 24; shift >= 0; shift -= 8)
        signature += QChar(static_cast<char>((info.id.signature >> shift) & 0xFF));
    return signature + QLatin1Char('/') + QString::number(info.id.id);
}

void SelectInField(QLineEdit* field, const ControlEditTextSelectionRec& selection)
{
    const int length = static_cast<int>(field->text().size());
    const int start = std::clamp<int>(selection.selStart, 0, length);
    const int end = std::clamp<int>(selection.selEnd, 0, length);
    if (end > start)
        field->setSelection(start, end - start);
    else
        field->setCursorPosition(end);
}

// The order, left to right, in which a button box of the desktop's puts buttons of these roles.
std::vector<size_t> DesktopButtonOrder(const std::vector<QDialogButtonBox::ButtonRole>& roles)
{
    QDialogButtonBox box;
    std::vector<QPushButton*> buttons;
    for (QDialogButtonBox::ButtonRole role : roles)
        buttons.push_back(box.addButton(QStringLiteral("-"), role));
    box.adjustSize();
    box.layout()->activate();
    std::vector<size_t> order(roles.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return buttons[a]->x() < buttons[b]->x(); });
    return order;
}

}  // namespace

DialogWindow::DialogWindow(WindowRef window, std::function<void()> acted)
    : mWindow(window), mActed(std::move(acted))
{
    setWindowModality(Qt::ApplicationModal);
    const cmhost::DialogModel dialog(window);
    if (!dialog.Title().empty())
        setWindowTitle(FromUTF8(dialog.Title()));
    Build(dialog);
    Place(dialog);
}

DialogWindow::~DialogWindow() = default;

void DialogWindow::Build(const cmhost::DialogModel& dialog)
{
    QWidget* focus = nullptr;
    // In the dialog's reading order, which Place keeps for Tab.
    for (const cmhost::DialogControl& each : dialog.Controls()) {
        ControlRef control = each.control;
        const PlatformUIControlInfo& info = each.info;
        QWidget* widget = nullptr;
        switch (info.kind) {
        case kPlatformControlEditText: {
            auto* field = new QLineEdit(this);
            connect(field, &QLineEdit::textEdited, this, [this, control](const QString& text) { TypeInto(control, text); });
            widget = field;
            break;
        }
        case kPlatformControlComboBox: {
            auto* combo = new QComboBox(this);
            combo->setEditable(true);
            // The person's own text is a choice of its own: it is not added to the list, and the
            // listed choices that it starts, in any case, are offered below the field rather than
            // typed into it behind the person's back. A choice taken from them is a pick from the
            // list.
            combo->setInsertPolicy(QComboBox::NoInsert);
            auto* completer = new QCompleter(combo->model(), combo);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            completer->setCompletionMode(QCompleter::PopupCompletion);
            combo->setCompleter(completer);
            connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                    [this, control](const QString& text) { TypeInto(control, text); });
            connect(combo, &QComboBox::textActivated, this, [this, control](const QString& text) { TypeInto(control, text); });
            widget = combo;
            break;
        }
        case kPlatformControlCheckBox: {
            auto* box = new QCheckBox(this);
            connect(box, &QCheckBox::clicked, this, [this, control] { Click(control); });
            widget = box;
            break;
        }
        case kPlatformControlPushButton: {
            auto* button = new QPushButton(this);
            connect(button, &QPushButton::clicked, this, [this, control] { Click(control); });
            widget = button;
            break;
        }
        case kPlatformControlStaticText: {
            auto* label = new QLabel(this);
            label->setTextFormat(Qt::PlainText);
            widget = label;
            break;
        }
        default:
            continue;
        }
        widget->setObjectName(ObjectNameFor(info));
        mShown.push_back(Shown{control, info.kind, widget, each.row});
        ShowControl(mShown.back(), each, true);
        if (info.focused && info.shown)
            focus = widget;
    }
    if (focus != nullptr)
        focus->setFocus(Qt::OtherFocusReason);
}

void DialogWindow::Place(const cmhost::DialogModel& dialog)
{
    const double scale = InterfaceScale(fontMetrics());
    std::vector<ControlPlacement> controls;
    for (const Shown& shown : mShown) {
        const cmhost::DialogControl* each = dialog.Of(shown.control);
        const HIRect frame = each != nullptr ? each->info.frameInWindow : HIRect{};
        controls.push_back({QRectF(frame.origin.x, frame.origin.y, frame.size.width, frame.size.height),
                            shown.widget->sizeHint(), each != nullptr && each->Shown()});
    }
    // The root view spans the window as the interface file sizes it.
    HIRect bounds{};
    HIViewGetFrame(HIViewGetRoot(mWindow), &bounds);
    const QSizeF windowSize(bounds.size.width, bounds.size.height);
    DialogPlacement placement = PlaceDialog(controls, windowSize, scale);
    InDesktopButtonOrder(dialog, placement.widgets);
    for (size_t i = 0; i < mShown.size(); ++i) {
        mShown[i].widget->setGeometry(placement.widgets[i]);
        mShown[i].placedHidden = !controls[i].shown;
    }
    setFixedSize(placement.window);

    // Tab goes through the dialog's rows as the model reads them, not in the order the controls were
    // added (the plug-in adds its submenu field last); within a row left to right as drawn, so that
    // it follows the buttons in the desktop's order.
    std::vector<const Shown*> order;
    for (const Shown& shown : mShown)
        if (shown.kind != kPlatformControlStaticText)
            order.push_back(&shown);
    std::stable_sort(order.begin(), order.end(), [](const Shown* a, const Shown* b) {
        return a->row != b->row ? a->row < b->row : a->widget->x() < b->widget->x();
    });
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget, order[i]->widget);
}

void DialogWindow::ShowControl(const Shown& shown, const cmhost::DialogControl& control, bool first)
{
    const PlatformUIControlInfo& info = control.info;
    QSignalBlocker quiet(shown.widget);
    switch (shown.kind) {
    case kPlatformControlEditText: {
        auto* field = static_cast<QLineEdit*>(shown.widget);
        const QString text = FromUTF8(control.text);
        // Only a change made by the window's handlers is shown, so the cursor stays where the
        // person is typing.
        if (first || field->text() != text) {
            field->setText(text);
            SelectInField(field, info.selection);
        }
        break;
    }
    case kPlatformControlComboBox: {
        auto* combo = static_cast<QComboBox*>(shown.widget);
        const QStringList choices = ChoicesOf(control);
        QStringList listed;
        for (int i = 0; i < combo->count(); ++i)
            listed.push_back(combo->itemText(i));
        const QString text = FromUTF8(control.text);
        if (listed != choices) {
            combo->clear();
            combo->addItems(choices);
        }
        if (first || combo->currentText() != text) {
            combo->setCurrentIndex(static_cast<int>(choices.indexOf(text)));
            combo->setEditText(text);
        }
        break;
    }
    case kPlatformControlCheckBox: {
        auto* box = static_cast<QCheckBox*>(shown.widget);
        box->setText(WithoutMnemonics(FromUTF8(control.title)));
        box->setTristate(info.value > 1);
        box->setCheckState(info.value == 0 ? Qt::Unchecked : info.value == 1 ? Qt::Checked : Qt::PartiallyChecked);
        break;
    }
    case kPlatformControlPushButton: {
        auto* button = static_cast<QPushButton*>(shown.widget);
        button->setText(WithoutMnemonics(FromUTF8(control.title)));
        button->setDefault(info.isDefault);
        // Only the default button answers Return, whichever button has the focus.
        button->setAutoDefault(info.isDefault);
        break;
    }
    case kPlatformControlStaticText:
        static_cast<QLabel*>(shown.widget)->setText(FromUTF8(control.text));
        break;
    default:
        break;
    }
    shown.widget->setVisible(info.shown);
}

void DialogWindow::Refresh()
{
    if (mWindow == nullptr)
        return;
    const cmhost::DialogModel dialog(mWindow);
    bool appeared = false;
    for (const Shown& shown : mShown) {
        if (const cmhost::DialogControl* each = dialog.Of(shown.control))
            ShowControl(shown, *each, false);
        appeared = appeared || (shown.placedHidden && !shown.widget->isHidden());
    }
    // A control placed while hidden may have been given no room: the window is placed again with it.
    if (appeared)
        Place(dialog);
}

void DialogWindow::InDesktopButtonOrder(const cmhost::DialogModel& dialog, std::vector<QRect>& placed) const
{
    // The buttons of each row: OK and Cancel (and any other) as the desktop's own dialogs order them,
    // in the places the row's buttons have, whatever order the interface file drew them in.
    std::vector<bool> done(mShown.size(), false);
    for (size_t first = 0; first < mShown.size(); ++first) {
        if (done[first] || mShown[first].kind != kPlatformControlPushButton)
            continue;
        std::vector<size_t> row;
        for (size_t i = first; i < mShown.size(); ++i) {
            if (!done[i] && mShown[i].kind == kPlatformControlPushButton && SameRow(placed[first], placed[i])) {
                row.push_back(i);
                done[i] = true;
            }
        }
        std::vector<QDialogButtonBox::ButtonRole> roles;
        for (size_t i : row) {
            const cmhost::DialogControl* each = dialog.Of(mShown[i].control);
            roles.push_back(BoxRole(each != nullptr ? each->Role() : cmhost::ButtonRole::Other));
        }
        std::vector<QRect*> buttons;
        for (size_t at : DesktopButtonOrder(roles))
            buttons.push_back(&placed[row[at]]);
        ArrangeInRow(buttons);
    }
}

void DialogWindow::Forget()
{
    mWindow = nullptr;
    for (const Shown& shown : mShown)
        shown.widget->disconnect(this);
    hide();
}

void DialogWindow::TypeInto(ControlRef control, const QString& text)
{
    if (mWindow == nullptr)
        return;
    if (platform::CFOwner<CFStringRef> string = CFStringFromQString(text))
        PlatformUITypeText(control, string.Get());
    AfterAct();
}

void DialogWindow::Click(ControlRef control)
{
    if (mWindow == nullptr)
        return;
    PlatformUIClickControl(control);
    AfterAct();
}

void DialogWindow::ClickCloseBox()
{
    if (mWindow == nullptr)
        return;
    PlatformUIClickCloseBox(mWindow);
    AfterAct();
}

void DialogWindow::AfterAct()
{
    Refresh();
    if (mActed)
        mActed();
}

void DialogWindow::reject()
{
    // Escape: the window's Cancel button, as a person would press it, else its close box.
    if (mWindow == nullptr)
        return;
    const cmhost::DialogModel dialog(mWindow);
    if (const cmhost::DialogControl* cancel = dialog.CancelButton())
        Click(cancel->control);
    else
        ClickCloseBox();
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    // The window stays until its loop ends; whether it ends is for the window's handlers to say.
    event->ignore();
    ClickCloseBox();
}

}  // namespace popup
