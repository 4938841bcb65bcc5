// A dialog window as a form on the terminal: its controls laid out in rows as the window places
// them, one control holding the keyboard focus. Keys edit the text fields and the combo box and
// toggle check boxes at once, through the same calls a user's typing and clicks make
// (PlatformUITypeText, PlatformUIClickControl); pressing a push button or closing the window is
// handed back to the caller, who may have to give up the terminal before the window's handlers
// run.
#pragma once

#include "terminal/FormKeyDecoder.h"

#include <PlatformUIDriver.h>

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

private:
    struct Field {
        ControlRef control;
        PlatformUIControlInfo info;
    };
    // What is being typed into a text field or combo box, one character (UTF-8) per element.
    struct Editing {
        std::vector<std::string> characters;
        size_t cursor = 0;
        size_t selectionStart = 0;  // the selection is [selectionStart, cursor) or the reverse
        size_t selectionEnd = 0;
    };

    bool TakesFocus(const Field& field) const;
    const Field* FocusedField() const;
    void MoveFocus(int direction);
    Editing InitialEditing(const Field& field) const;
    Editing ShownEditing(const Field& field) const;
    Editing& EditingOf(const Field& field);
    Outcome Edit(const Field& field, const FormKey& key);
    Outcome PickChoice(const Field& field, int direction);
    Outcome PressButton(ControlRef button) const;
    Outcome PressDefault() const;
    Outcome Cancel() const;
    void StoreText(const Field& field, Editing& editing);
    std::string RenderField(const Field& field) const;

    WindowRef mWindow;
    std::string mTitle;
    std::vector<Field> mFields;  // the shown controls, in window order
    ControlRef mFocused = nullptr;
    std::map<ControlRef, Editing> mEditing;
};

}  // namespace cmhost
