// A standard alert as a message box: its message and explanation, its buttons with their texts,
// the default button (Return) and the cancel button (Escape), and the icon of its kind. The
// person's answer is the number of the button pressed, as the alert's caller reads it.
#pragma once

#include <PlatformUIDriver.h>

#include <QMessageBox>

#include <functional>
#include <map>
#include <optional>

namespace popup {

class AlertBox : public QMessageBox {
    Q_OBJECT
public:
    // answered: called once a button has been pressed.
    AlertBox(const PlatformUIAlert& alert, std::function<void()> answered);

    // The number of the button pressed (kAlertStdAlertOKButton, ...), once one was.
    std::optional<DialogItemIndex> Answer() const { return mAnswer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<QAbstractButton*, DialogItemIndex> mNumbers;
    bool mHasCancel = false;
    std::optional<DialogItemIndex> mAnswer;
};

// The icon that tells an alert's kind.
QMessageBox::Icon IconForAlert(AlertType type);

}  // namespace popup
