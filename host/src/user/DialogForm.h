// A dialog window as a form on the terminal: its controls laid out in rows as the window places
// them, one control holding the keyboard focus. Keys edit the text fields and the combo box and
// toggle check boxes at once, through the same calls a user's typing and clicks make
// (PlatformUITypeText, PlatformUIClickControl); pressing a push button or closing the window is
// handed back to the caller, who may have to give up the terminal before the window's handlers
// run.
#pragma once

#include "terminal/FormKeyDecoder.h"
#include "terminal/LineEditor.h"
#include "user/DialogModel.h"

#include <map>
#include <string>
#include <vector>

namespace cmhost {

class DialogForm {
public:
    struct Outcome {
        enum class Kind {
            None,       // nothing changed
            Changed,    // draw the form again
            Press,      // the user pressed button
            CloseBox,   // the user closed the window
        };
        Kind kind = Kind::None;
        ControlRef button = nullptr;
        // How the report names what ended the dialog: "ok", "cancel", "close", or the button's title.
        std::string ending;
    };

    // Reads the window as it is shown. The focus starts where the window put it, else on the first
    // text field, else on the first control that takes it.
    explicit DialogForm(WindowRef window);

    Outcome Press(const FormKey& key);

    // Reads the controls again, after the window's handlers may have shown or hidden some.
    void Refresh();

    // The form as lines with ANSI styling: the title, the rows of controls (the focused combo box
    // with its list under it), and a line of key hints.
    std::vector<std::string> Lines() const;

    ControlRef Focused() const { return mFocused; }
    // The window as last read.
    const DialogModel& Model() const { return mModel; }

private:
    using Field = DialogControl;

    void ShowFields();
    const Field* FocusedField() const;
    void MoveFocus(int direction);
    LineEditor ShownEditing(const Field& field) const;
    LineEditor& EditingOf(const Field& field);
    Outcome Edit(const Field& field, const FormKey& key);
    Outcome PickChoice(const Field& field, int direction);
    Outcome PressButton(const Field& button) const;
    void StoreText(const Field& field, const LineEditor& editing);
    std::string RenderField(const Field& field) const;

    WindowRef mWindow;
    DialogModel mModel;
    std::vector<Field> mFields;  // the shown controls, in reading order
    ControlRef mFocused = nullptr;
    std::map<ControlRef, LineEditor> mEditing;  // what is being typed into each text field
};

}  // namespace cmhost
