// The user at the terminal as the process's UI driver: a dialog becomes a form on the terminal
// (DialogForm) and a standard alert its message with a row of buttons. The driver waits briefly
// for keys in each step and lets the run loop go on in between, so timers keep firing while the
// user thinks. Before a push button or the close box is pressed, the terminal is given back, so
// that whatever the window's handlers do next (an alert, a password prompt, the end of the
// dialog) finds it as the user left it.
#pragma once

#include "terminal/RawTerminal.h"
#include "user/DialogForm.h"
#include "user/DialogReport.h"

#include <PlatformUIDriver.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cmhost {

class TerminalUIDriver {
public:
    // terminalFd: the user's terminal (/dev/tty), read and written; borrowed. waitMilliseconds:
    // how long each step waits for a key.
    explicit TerminalUIDriver(int terminalFd, int waitMilliseconds = 50);
    ~TerminalUIDriver();
    TerminalUIDriver(const TerminalUIDriver&) = delete;
    TerminalUIDriver& operator=(const TerminalUIDriver&) = delete;

    // The driver to install; it refers to this object, which must outlive the installation.
    PlatformUIDriver Interface();

    const std::vector<DialogReport>& Dialogs() const { return mDialogs; }
    const std::vector<AlertReport>& Alerts() const { return mAlerts; }

private:
    struct OpenDialog {
        std::unique_ptr<DialogForm> form;
        size_t report = 0;  // index into mDialogs
        bool drawn = false;
    };
    struct OpenAlert {
        std::vector<std::pair<DialogItemIndex, std::string>> buttons;  // number, title
        size_t focus = 0;
        bool drawn = false;
    };

    static PlatformUIDriverAnswer StepWindow(void* context, WindowRef window, UInt32 step);
    static PlatformUIDriverAnswer StepAlert(void* context, const PlatformUIAlert* alert, UInt32 step,
                                            DialogItemIndex* itemHit);
    PlatformUIDriverAnswer StepDialog(WindowRef window, UInt32 step);
    PlatformUIDriverAnswer StepStandardAlert(const PlatformUIAlert& alert, UInt32 step, DialogItemIndex* itemHit);
    // Puts the terminal in the form's mode when it is not; false when it cannot be.
    bool TakeTerminal();
    void GiveTerminalBack();
    // The keys typed since the last step, or nullopt when the input has ended.
    std::optional<std::string> TypedKeys();
    void Draw(const std::vector<std::string>& lines);

    int mTerminalFd;
    int mWaitMilliseconds;
    std::unique_ptr<RawTerminal> mTerminal;
    std::map<WindowRef, OpenDialog> mOpenDialogs;
    std::optional<OpenAlert> mOpenAlert;
    std::vector<DialogReport> mDialogs;
    std::vector<AlertReport> mAlerts;
};

}  // namespace cmhost
