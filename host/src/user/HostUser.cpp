#include "user/HostUser.h"

#include <fcntl.h>

namespace cmhost {

HostUser::HostUser(HostUserChoice choice) : mPasswordFile(std::move(choice.passwordFile))
{
    if (!choice.dialogs.empty() || choice.alertButton.has_value() || choice.terminalFd < 0)
        mScriptedDriver = std::make_unique<ScriptedUIDriver>(std::move(choice.dialogs), std::move(choice.alertButton));
    else
        mTerminalDriver = std::make_unique<TerminalUIDriver>(choice.terminalFd);
    PlatformUIDriver driver = mScriptedDriver ? mScriptedDriver->Interface() : mTerminalDriver->Interface();
    PlatformInstallUIDriver(&driver);

    if (mPasswordFile) {
        mPasswordSource = std::make_unique<ScopedPasswordSource>(*mPasswordFile);
    } else if (choice.terminalFd >= 0) {
        mTerminalPasswords = std::make_unique<TerminalPasswordSource>(choice.terminalFd);
        mPasswordSource = std::make_unique<ScopedPasswordSource>(*mTerminalPasswords);
    }
}

HostUser::~HostUser()
{
    PlatformInstallUIDriver(nullptr);
    // The password source is removed by its own owner, before the answerer it points at goes.
    mPasswordSource.reset();
}

const std::vector<DialogReport>& HostUser::Dialogs() const
{
    return mScriptedDriver ? mScriptedDriver->Dialogs() : mTerminalDriver->Dialogs();
}

const std::vector<AlertReport>& HostUser::Alerts() const
{
    return mScriptedDriver ? mScriptedDriver->Alerts() : mTerminalDriver->Alerts();
}

platform::ScopedFd OpenControllingTerminal()
{
    // O_NOCTTY: a process without a terminal must not acquire one by looking.
    return platform::ScopedFd(open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY));
}

}  // namespace cmhost
