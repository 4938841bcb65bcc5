#include "subcommands/ChooseCommand.h"

#include "application/Desktop.h"
#include "application/PendingTimers.h"
#include "common/PlatformWarnings.h"
#include "manager/ContextualMenu.h"
#include "manager/MenuEntries.h"
#include "manager/MenuPath.h"
#include "subcommands/ChooseReport.h"
#include "subcommands/ExitStatus.h"

namespace cmhost {
namespace {

// The host could not do its job: the paste happened but the file does not hold it.
constexpr int kExitDocumentNotWritten = 1;

}  // namespace

int RunChooseCommand(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context,
                     const ChooseRequest& request, Document& document, const KeyboardRecorder& keyboard,
                     const HostUser& user, std::ostream& out, std::ostream& err)
{
    ChooseReport report;
    bool found = true;
    {
        ContextualMenu menu(plugIns, context);
        std::optional<SInt32> command = request.id;
        if (!command) {
            const MenuItem* item =
                FindCommandByPath(menu.Items(), request.path.value_or(""), request.optionKey ? kOptionHeld : 0);
            if (item != nullptr)
                command = item->command;
        }
        found = command.has_value();
        if (found)
            report.status = menu.Choose(*command);
        // Leaving the scope closes the menu (PostMenuCleanup) before the run loop runs, as the
        // menu manager returns to the application before its event loop goes on.
    }
    if (!found) {
        // Said once the menu is closed, so it is the last thing the host says.
        err << "cmhost: --path: the menu has no command \"" << request.path.value_or("") << "\"\n";
        return kExitUsage;
    }
    if (!RunPendingTimers())
        err << "cmhost: timers were still scheduled after " << kPendingTimersLimitSeconds << " seconds\n";
    report.dialogs = user.Dialogs();
    report.alerts = user.Alerts();
    report.passwordPrompts = user.PasswordPrompts();
    report.keystrokes = keyboard.Keystrokes();
    // The document is done with once the timers have fired: the report takes its text over rather
    // than a copy of what may be many megabytes.
    if (request.reportDocument)
        report.document = std::move(document.text);
    // Taken last, after the menu's cleanup and the run loop, so that nothing the plug-in's last
    // save caused is missed.
    report.desktop = DesktopName();
    report.warnings = TakePlatformWarnings();
    PrintWarnings(report.warnings, err);
    if (request.json)
        WriteChooseJson(report, out);
    else
        WriteChooseText(report, out);
    out.flush();
    if (!keyboard.WriteError().empty()) {
        err << "cmhost: " << keyboard.WriteError() << "\n";
        return kExitDocumentNotWritten;
    }
    return kExitDone;
}

}  // namespace cmhost
