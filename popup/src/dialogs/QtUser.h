// Who answers the plug-ins' dialogs, alerts and password prompts in the popup: windows. Installs
// the Qt UI driver and the password windows as the process's user while it exists. Made after the
// QApplication and before the plug-ins load; gone after they unload, so that no plug-in ever calls
// a user that is gone.
#pragma once

#include "dialogs/QtPasswordSource.h"
#include "dialogs/QtUIDriver.h"

#include <memory>

namespace popup {

class QtUser {
public:
    QtUser();
    ~QtUser();
    QtUser(const QtUser&) = delete;
    QtUser& operator=(const QtUser&) = delete;

    // Password prompts answered with a password so far.
    int PasswordPrompts() const { return mPasswordSource.Answered(); }

private:
    QtUIDriver mDriver;
    QtPasswordSource mPasswords;
    cmhost::ScopedPasswordSource mPasswordSource;
};

}  // namespace popup
