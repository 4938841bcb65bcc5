// The command line of cmhost: the subcommand and the options that shape the application it plays.
#pragma once

#include "application/ContextData.h"
#include "application/Desktop.h"
#include "subcommands/ClipboardCommand.h"
#include "user/ScriptedUIDriver.h"

#include <optional>
#include <string>
#include <vector>

namespace cmhost {

enum class HostCommand {
    Interactive,  // no subcommand
    Menu,
    Clipboard,  // the shared clipboard; no plug-in is loaded
    Choose,
};

struct HostOptions {
    HostCommand command = HostCommand::Interactive;
    bool json = false;
    // Empty: the Stashwell.plugin bundle of the build.
    std::string plugins;
    // What was clicked; typeNull unless --text or --context says otherwise.
    ContextData context;
    // The --text text as given, which also starts an in-memory document.
    std::optional<std::string> text;
    bool cocoa = false;
    std::optional<std::string> cocoaSelection;
    // Gestalt's form: 0x1068 for 10.6.8.
    std::optional<SInt32> systemVersion;
    bool optionKey = false;
    std::optional<std::string> document;
    // choose: the command handed to the plug-in, by id or by the titles that lead to it.
    std::optional<SInt32> chooseId;
    std::optional<std::string> choosePath;
    // The scripted user: answers for the dialogs, in order, and the button for every alert ("ok" or
    // "cancel"). With neither, dialogs and alerts go to the terminal, or are cancelled without one.
    std::vector<DialogAnswer> dialogs;
    std::optional<std::string> alertButton;
    // The file whose content answers password prompts; without it, the terminal answers them.
    std::optional<std::string> passwordFile;
    // clipboard: what to do with the shared clipboard.
    ClipboardRequest clipboard;
    // On the desktop (X11 or Wayland, as desktopChoice says): its clipboard, its selected text (when
    // neither --text nor --context gives the context) and its focused window for the paste
    // keystroke. No document then.
    bool desktop = false;
    DesktopChoice desktopChoice = DesktopChoice::Automatic;
    bool contextFromDesktop = false;
};

struct CommandLine {
    enum class Outcome {
        Run,    // options holds what to do
        Help,   // print output, exit 0
        Error,  // print output (one line) to standard error, exit 2
    };
    Outcome outcome = Outcome::Run;
    HostOptions options;
    std::string output;
};

// Reads the arguments after the program name. Options are accepted before or after the subcommand.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// "10.X" or "10.X.Y" in Gestalt's form, one hexadecimal digit per number with numbers above 9
// answered as 9 (10.6.8 is 0x1068, 10.4.11 is 0x1049).
std::optional<SInt32> ParseSystemVersion(const std::string& text);

}  // namespace cmhost
