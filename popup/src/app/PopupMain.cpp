#include "app/PopupMain.h"

#include "app/ChangeNotice.h"
#include "app/PopupOptions.h"
#include "app/TeardownLimit.h"
#include "dialogs/QtUser.h"
#include "dialogs/WarningsNotice.h"
#include "desktop/InputFocus.h"
#include "desktop/Notifications.h"
#include "menu/MenuTracking.h"

#include "application/ContextData.h"
#include "application/Desktop.h"
#include "application/PendingTimers.h"
#include "common/PlatformWarnings.h"
#include "manager/ContextualMenu.h"
#include "manager/PlugInLoader.h"
#include "subcommands/ExitStatus.h"

#include <QApplication>
#include <QCursor>

#include <algorithm>
#include <chrono>
#include <memory>

namespace popup {
namespace {

constexpr const char* kProgram = "stashwell-popup";
// Far longer than the toolkit's end takes, even under the sanitizers.
constexpr std::chrono::seconds kTeardownLimit{5};

// changes: what the pick changed, a sentence each; warnings: what the platform queued before the
// menu was examined again, with what that examination added.
int ShowMenu(const std::string& plugInsFolder, std::ostream& err, std::vector<std::string>& changes,
             std::vector<std::string>& warnings)
{
    // The selected text is read before the menu takes the pointer and the keyboard.
    cmhost::DesktopSelection selection = cmhost::ReadDesktopSelection();

    // The user of dialogs, alerts and password prompts, who answers them in windows: made before the
    // plug-ins load and gone after them.
    QtUser user;

    cmhost::LoadedPlugIns plugIns = cmhost::LoadPlugIns(plugInsFolder);
    if (!plugIns.error.empty()) {
        err << kProgram << ": " << plugIns.error << "\n";
        return cmhost::kExitBundleNotLoaded;
    }
    cmhost::ScopedAEDesc context = cmhost::CreateContextDescriptor(selection.context);
    const InputFocus focus = InputFocus::Remember();
    std::optional<SInt32> picked;
    std::vector<cmhost::MenuItem> before;
    {
        cmhost::ContextualMenu menu(plugIns.instances, *context.Mutable());
        picked = TrackMenu(menu.Items(), QCursor::pos());
        focus.GiveBack();
        if (picked) {
            before = menu.Items();
            menu.Choose(*picked);
        }
        // Leaving the scope closes the menu (PostMenuCleanup) before the run loop runs, as the menu
        // manager returns to the application before its event loop goes on.
    }
    if (picked) {
        // A dialog of the command may have taken the focus meanwhile.
        focus.GiveBack();
        if (!cmhost::RunPendingTimers())
            err << kProgram << ": timers were still scheduled after " << cmhost::kPendingTimersLimitSeconds
                << " seconds\n";
        // The plug-ins say what changed only in the menu they write: it is examined once more, as
        // the next menu would be, and compared with the one the pick was made in. What that
        // examination warns of again (preferences that still cannot be read) is said once.
        warnings = cmhost::TakePlatformWarnings();
        const cmhost::ContextualMenu after(plugIns.instances, *context.Mutable());
        changes = ChangeSentences(before, after.Items());
        for (std::string& warning : cmhost::TakePlatformWarnings()) {
            if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end())
                warnings.push_back(std::move(warning));
        }
    }
    return cmhost::kExitDone;
}

}  // namespace

int RunPopup(int& argc, char** argv, std::ostream& out, std::ostream& err)
{
    PopupCommandLine commandLine = ParsePopupCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (commandLine.outcome) {
    case PopupCommandLine::Outcome::Help:
        out << commandLine.output;
        return cmhost::kExitDone;
    case PopupCommandLine::Outcome::Error:
        err << commandLine.output << "\n";
        return cmhost::kExitUsage;
    case PopupCommandLine::Outcome::Run:
        break;
    }
    // The desktop comes first, so that a missing display is said in one line rather than by Qt
    // aborting, and before any plug-in is loaded.
    const cmhost::DesktopChoice choice =
        cmhost::DesktopChoiceNamed(commandLine.desktop).value_or(cmhost::DesktopChoice::Automatic);
    if (platform::Result<void> used = cmhost::UseDesktop(choice); !used.Ok()) {
        err << kProgram << ": " << used.Reason() << "\n";
        return cmhost::kExitNoDesktop;
    }
    // The menu must be on the desktop the platform works on: on the X11 display even in a Wayland
    // session when X11 was asked for.
    qputenv("QT_QPA_PLATFORM", cmhost::DesktopName() == "wayland" ? "wayland" : "xcb");
    auto application = std::make_unique<QApplication>(argc, argv);
    // The name the desktop shows for the program, after a window's own title ("New Clip — Stashwell").
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Stashwell"));
    std::vector<std::string> told;
    std::vector<std::string> warnings;
    const int status = ShowMenu(commandLine.plugins.empty() ? cmhost::DefaultPlugInsFolder() : commandLine.plugins,
                                err, told, warnings);
    // Said on standard error as cmhost says it, and on the desktop, since a popup started from a
    // shortcut has nobody reading its standard error.
    for (std::string& warning : cmhost::TakePlatformWarnings())
        warnings.push_back(std::move(warning));
    cmhost::PrintWarnings(warnings, err, kProgram);
    // In notifications (a paste that could not be typed among them), which the desktop keeps in its
    // list; in a notice the person must close only where the desktop took no notification of them.
    for (const std::string& warning : warnings)
        told.push_back(WarningSentence(warning));
    if (ShowNotifications(told) < static_cast<int>(told.size()))
        ShowWarningsNotice(warnings);
    {
        TeardownLimit limit(status, kTeardownLimit);
        application.reset();
    }
    // What is left was caused on the way out (the plug-ins unloading, the last save).
    cmhost::TakeAndPrintWarnings(err, kProgram);
    return status;
}

}  // namespace popup
