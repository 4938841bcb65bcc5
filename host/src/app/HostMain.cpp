#include "app/HostMain.h"

#include "app/Options.h"
#include "application/CocoaApplication.h"
#include "application/ContextData.h"
#include "application/Desktop.h"
#include "application/Document.h"
#include "application/KeyboardRecorder.h"
#include "common/PlatformWarnings.h"
#include "manager/PlugInLoader.h"
#include "session/InteractiveSession.h"
#include "session/TerminalSession.h"
#include "subcommands/ChooseCommand.h"
#include "subcommands/ClipboardCommand.h"
#include "subcommands/ExitStatus.h"
#include "subcommands/MenuCommand.h"
#include "user/HostUser.h"

#include <PlatformHost.h>

#include <unistd.h>

namespace cmhost {
namespace {

int RunCommandLine(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err,
                   bool onTerminal)
{
    CommandLine commandLine = ParseCommandLine(arguments);
    switch (commandLine.outcome) {
    case CommandLine::Outcome::Help:
        out << commandLine.output;
        return kExitDone;
    case CommandLine::Outcome::Error:
        err << commandLine.output << "\n";
        return kExitUsage;
    case CommandLine::Outcome::Run:
        break;
    }
    HostOptions& options = commandLine.options;
    // The desktop comes first: the clipboard command and every plug-in work on it.
    if (options.desktop) {
        if (platform::Result<void> used = UseDesktop(options.desktopChoice); !used.Ok()) {
            err << "cmhost: " << used.Reason() << "\n";
            return kExitNoDesktop;
        }
        if (options.contextFromDesktop) {
            DesktopSelection selection = ReadDesktopSelection();
            options.text = std::move(selection.text);
            options.context = std::move(selection.context);
        }
    }
    if (options.command == HostCommand::Clipboard)
        return RunClipboardCommand(options.clipboard, out, err);

    std::optional<Document> document;
    if (options.command == HostCommand::Interactive || options.command == HostCommand::Choose) {
        std::string error;
        document = OpenDocument(options.document, options.text, &error);
        if (!document) {
            err << "cmhost: " << error << "\n";
            return kExitUsage;
        }
    }

    if (options.systemVersion)
        PlatformSetSystemVersion(*options.systemVersion);

    // The application's keyboard, for the whole life of the host: every keystroke posted to it is
    // recorded, and Command-V pastes into the document. Made before the plug-ins load, so that it
    // outlives them. On the desktop the keys go to the focused window, and the document only shows
    // the selected text.
    KeyboardRecorder keyboard(document && !options.desktop ? &*document : nullptr);

    // The user of dialogs, alerts and password prompts; like the application object below, made
    // before the plug-ins load and gone after them.
    std::optional<PasswordFileSource> passwordFile;
    if (options.passwordFile) {
        platform::Result<PasswordFileSource> loaded = PasswordFileSource::Load(*options.passwordFile);
        if (!loaded.Ok()) {
            err << "cmhost: " << loaded.Reason() << "\n";
            return kExitUsage;
        }
        passwordFile = std::move(loaded.Value());
    }
    platform::ScopedFd terminal = OpenControllingTerminal();
    HostUser user(HostUserChoice{options.dialogs, options.alertButton, std::move(passwordFile), terminal.Get()});

    // Installed before the plug-ins load and removed after they are gone, so no plug-in outlives it.
    ScopedCocoaApplication cocoa(options.cocoa, options.cocoaSelection);
    LoadedPlugIns plugIns = LoadPlugIns(options.plugins.empty() ? DefaultPlugInsFolder() : options.plugins);
    if (!plugIns.error.empty()) {
        err << "cmhost: " << plugIns.error << "\n";
        return kExitBundleNotLoaded;
    }

    ScopedAEDesc context = CreateContextDescriptor(options.context);
    switch (options.command) {
    case HostCommand::Menu:
        RunMenuCommand(plugIns.instances, *context.Mutable(), options.json, out, err);
        break;
    case HostCommand::Choose:
        return RunChooseCommand(plugIns.instances, *context.Mutable(),
                                ChooseRequest{options.chooseId, options.choosePath, options.optionKey, options.json,
                                              !options.desktop},
                                *document, keyboard, user, out, err);
    case HostCommand::Clipboard:
        break;  // run above, before any plug-in is loaded
    case HostCommand::Interactive:
        if (onTerminal)
            RunTerminalSession(plugIns.instances, *context.Mutable(), *document, options.optionKey, STDIN_FILENO,
                               STDOUT_FILENO, out, err);
        else
            RunInteractiveSession(plugIns.instances, *context.Mutable(), *document, in, out, err);
        break;
    }
    return kExitDone;
}

}  // namespace

int RunHost(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err,
            bool onTerminal)
{
    int status = RunCommandLine(arguments, in, out, err, onTerminal);
    // Each command says its warnings when it is done; what is left was caused on the way out (a
    // failed command, the plug-ins unloading).
    TakeAndPrintWarnings(err);
    return status;
}

}  // namespace cmhost
