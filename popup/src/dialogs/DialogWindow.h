// A window of the interface file shown as a real window while its modal loop runs: one widget per
// control (text fields, the combo box with its list and editable field, check boxes, push buttons,
// static text), placed by the window's frames. Whatever the person does goes back through the
// platform's act calls (PlatformUITypeText, PlatformUIClickControl, PlatformUIClickCloseBox), so
// the window's own handlers run unchanged; afterwards the widgets are read again from the window,
// since a handler may hide or show controls, change texts, or refuse OK and keep the window open.
// Return presses the default button; Escape presses Cancel (the close box when there is none);
// closing the window clicks its close box. The widget never closes itself: it is hidden when the
// loop ends.
#pragma once

#include <Carbon/Carbon.h>
#include <PlatformUIDriver.h>

#include "user/DialogModel.h"

#include <QDialog>
#include <QRect>

#include <functional>
#include <vector>

namespace popup {

class DialogWindow : public QDialog {
    Q_OBJECT
public:
    // window: borrowed; it must stay valid until Forget is called. acted: called after each act
    // call, so that whoever waits for the person lets the platform's loop see what happened.
    DialogWindow(WindowRef window, std::function<void()> acted);
    ~DialogWindow() override;

    // Reads every control again and shows it as the window has it now.
    void Refresh();
    // The window's loop has ended: nothing is sent to the window any more, and the widget hides.
    void Forget();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Shown {
        ControlRef control;
        PlatformControlKind kind;
        QWidget* widget;
        int row = 0;                // its row in the dialog's reading order
        bool placedHidden = false;  // hidden when the window was last placed
    };

    void Build(const cmhost::DialogModel& dialog);
    // Places the widgets as the window's frames say, for the controls shown now.
    void Place(const cmhost::DialogModel& dialog);
    // placed: the widgets' places, in the order of mShown.
    void InDesktopButtonOrder(const cmhost::DialogModel& dialog, std::vector<QRect>& placed) const;
    void ShowControl(const Shown& shown, const cmhost::DialogControl& control, bool first);
    void TypeInto(ControlRef control, const QString& text);
    void Click(ControlRef control);
    void ClickCloseBox();
    void AfterAct();

    WindowRef mWindow;
    std::function<void()> mActed;
    std::vector<Shown> mShown;  // in the window's reading order
};

}  // namespace popup
