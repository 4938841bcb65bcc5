// The user the host plays for the plug-ins: who answers dialogs and alerts (the scripted driver
// of --dialog/--alert, the terminal, or nobody) and who answers password prompts (the file of
// --password-file, the terminal, or nobody). Installed for the process while it exists; made
// before the plug-ins load and gone after them, so no plug-in ever calls a driver that is gone.
#pragma once

#include "ScopedFd.h"
#include "user/DialogReport.h"
#include "user/PasswordFileSource.h"
#include "user/PasswordSource.h"
#include "user/ScriptedUIDriver.h"
#include "user/TerminalPasswordSource.h"
#include "user/TerminalUIDriver.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cmhost {

struct HostUserChoice {
    std::vector<DialogAnswer> dialogs;
    std::optional<std::string> alertButton;
    std::optional<PasswordFileSource> passwordFile;
    // The user's terminal, read and written (borrowed); -1 when there is none.
    int terminalFd = -1;
};

class HostUser {
public:
    // Dialogs and alerts: scripted when choice has dialog answers or an alert button; else the
    // terminal when there is one; else a script without answers, so that every dialog and alert
    // is still reported, and cancelled. Password prompts: the file, else the terminal, else none
    // (they fail with errSecInteractionNotAllowed).
    explicit HostUser(HostUserChoice choice);
    ~HostUser();
    HostUser(const HostUser&) = delete;
    HostUser& operator=(const HostUser&) = delete;

    const std::vector<DialogReport>& Dialogs() const;
    const std::vector<AlertReport>& Alerts() const;
    // Password prompts answered with a password.
    int PasswordPrompts() const { return mPasswordSource ? mPasswordSource->Answered() : 0; }

    // Which of them answers.
    bool DialogsOnTerminal() const { return mTerminalDriver != nullptr; }
    bool PasswordsFromFile() const { return mPasswordFile.has_value(); }
    bool PasswordsOnTerminal() const { return mTerminalPasswords != nullptr; }

private:
    std::unique_ptr<ScriptedUIDriver> mScriptedDriver;
    std::unique_ptr<TerminalUIDriver> mTerminalDriver;
    std::optional<PasswordFileSource> mPasswordFile;
    std::unique_ptr<TerminalPasswordSource> mTerminalPasswords;
    std::unique_ptr<ScopedPasswordSource> mPasswordSource;
};

// The user's terminal (/dev/tty) opened for reading and writing; not valid when the process has
// none.
platform::ScopedFd OpenControllingTerminal();

}  // namespace cmhost
