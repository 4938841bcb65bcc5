// A password prompt as a window: what is asked and why, a note (the two passwords differed, the
// attempt this is), one field, or two for a new password typed again, with OK and Cancel. The text
// typed never stays in the widgets: it is taken into the platform's secret memory and the fields
// are cleared.
#pragma once

#include "user/SecretBytes.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace popup {

// How wide, in average characters, the prompt's lines are at least.
inline constexpr int kPasswordPromptWidth = 52;

class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    // confirm: a second field for the same password typed again.
    PasswordDialog(const QString& title, const QString& prompt, const QString& note, bool confirm);

    // Waits for the person. True with the typed passwords (again: the second field's, when there
    // is one) on OK; false on Cancel, Escape or closing the window. Either way the fields are
    // cleared. At most capacity bytes are kept of each.
    bool Ask(cmhost::SecretBytes& password, cmhost::SecretBytes* again, size_t capacity);

    QLineEdit* PasswordField() const { return mPassword; }
    QLineEdit* AgainField() const { return mAgain; }

private:
    QLineEdit* mPassword = nullptr;
    QLineEdit* mAgain = nullptr;
};

// Moves a field's text into secret, as UTF-8 cut to capacity bytes at a character's end, and
// clears the field; the intermediate copies are wiped.
void TakeFieldText(QLineEdit* field, cmhost::SecretBytes& secret, size_t capacity);

}  // namespace popup
