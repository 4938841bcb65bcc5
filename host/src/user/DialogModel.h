// A dialog window as every user of it reads it: its controls in reading order (rows from top to
// bottom as the window places them, left to right within a row), hidden ones kept but marked, with
// their titles, texts and a combo box's choices; which button Return presses and which one Escape
// does. Read once through the UI driver's read calls (PlatformUIDriver.h); it does not follow the
// window afterwards, so whoever acts reads it again. The terminal form, the scripted user, the
// dialog report and the popup's windows all answer a dialog from it, so that they agree.
#pragma once

#include <PlatformUIDriver.h>

#include <string>
#include <vector>

namespace cmhost {

// How a push button answers a dialog, as a user names it: the button that accepts what was
// entered, the one that backs out, or any other.
enum class ButtonRole { Accept, Reject, Other };

struct DialogControl {
    ControlRef control = nullptr;  // borrowed from the window
    PlatformUIControlInfo info{};
    std::string title;                 // a button's or check box's label
    std::string text;                  // a text field's, static text's or combo box's text
    std::vector<std::string> choices;  // a combo box's list
    int row = 0;                       // the row it stands in, from 0 at the top

    bool Shown() const { return info.shown != 0; }
    bool Is(const ControlID& id) const { return info.id.signature == id.signature && info.id.id == id.id; }
    // Reject for a push button sending Cancel; Accept for the default button or one sending OK.
    ButtonRole Role() const;
};

class DialogModel {
public:
    // Reads window as the user sees it now (an invalid window reads as one without controls).
    explicit DialogModel(WindowRef window);

    const std::string& Name() const { return mName; }    // its name in the interface file
    const std::string& Title() const { return mTitle; }  // its title bar
    // Every control but the root and content views, in reading order, hidden ones included.
    const std::vector<DialogControl>& Controls() const { return mControls; }

    // The shown button that Return presses, and the shown one Escape presses (without one, Escape
    // closes the window); nullptr when there is none. Both point into Controls().
    const DialogControl* DefaultButton() const;
    const DialogControl* CancelButton() const;

    // The entry of control; nullptr when the window has no such control.
    const DialogControl* Of(ControlRef control) const;
    // The first control with this id, or of this kind, in reading order; nullptr when none.
    const DialogControl* Find(const ControlID& id) const;
    const DialogControl* FirstOfKind(PlatformControlKind kind) const;

private:
    std::string mName;
    std::string mTitle;
    std::vector<DialogControl> mControls;
};

// Whether two controls, by their vertical middles and heights, stand in one row: each one's middle
// lies within the other's height.
bool InOneRow(double middleA, double heightA, double middleB, double heightB);

// The text of a text field, static text or combo box as UTF-8 ("" for other kinds), as it is now.
std::string ControlText(ControlRef control);

}  // namespace cmhost
