#include "dialogs/AlertBox.h"

#include "dialogs/QtText.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>

namespace popup {

QMessageBox::Icon IconForAlert(AlertType type)
{
    switch (type) {
    case kAlertStopAlert:
        return QMessageBox::Critical;
    case kAlertNoteAlert:
        return QMessageBox::Information;
    case kAlertCautionAlert:
        return QMessageBox::Warning;
    default:
        return QMessageBox::NoIcon;
    }
}

AlertBox::AlertBox(const PlatformUIAlert& alert, std::function<void()> answered)
{
    setWindowModality(Qt::ApplicationModal);
    // An alert has no title of its own: it carries the program's name, as the desktop shows it.
    setWindowTitle(QStringLiteral("Stashwell"));
    setIcon(IconForAlert(alert.alertType));
    setTextFormat(Qt::PlainText);
    setText(QStringFromCF(alert.message));
    if (alert.explanation != nullptr)
        setInformativeText(QStringFromCF(alert.explanation));
    const struct {
        DialogItemIndex number;
        CFStringRef text;
    } buttons[] = {{kAlertStdAlertOKButton, alert.defaultText},
                   {kAlertStdAlertCancelButton, alert.cancelText},
                   {kAlertStdAlertOtherButton, alert.otherText}};
    for (const auto& [number, text] : buttons) {
        if (text == nullptr)
            continue;
        const ButtonRole role = number == alert.cancelButton    ? RejectRole
                                : number == alert.defaultButton ? AcceptRole
                                                                : ActionRole;
        QPushButton* button = addButton(WithoutMnemonics(QStringFromCF(text)), role);
        mNumbers[button] = number;
        if (number == alert.defaultButton)
            setDefaultButton(button);
        if (number == alert.cancelButton) {
            setEscapeButton(button);
            mHasCancel = true;
        }
    }
    connect(this, &QMessageBox::buttonClicked, this, [this, answered = std::move(answered)](QAbstractButton* button) {
        auto found = mNumbers.find(button);
        if (found == mNumbers.end() || mAnswer)
            return;
        mAnswer = found->second;
        answered();
    });
    // Escape answers nothing when the alert has no cancel button: the person must choose.
    installEventFilter(this);
}

bool AlertBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && !mHasCancel && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        return true;
    return QMessageBox::eventFilter(watched, event);
}

}  // namespace popup
