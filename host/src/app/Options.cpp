#include "app/Options.h"

#include "common/TextConversion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <string_view>

namespace cmhost {
namespace {

const char* const kDescription =
    "cmhost plays an application with a small text document and the contextual-menu manager inside "
    "it: it loads contextual-menu plug-in bundles and opens their menu over a context.\n"
    "Without a subcommand, at a terminal, it shows the document with the menu under it: Up/Down move, "
    "Right or Enter opens a submenu, Left or Esc closes it, Enter chooses a command, Esc at the top or "
    "q cancels, and Tab (or o) holds or releases the Option key, which swaps in the alternates. The "
    "pick is reported and handed to the plug-in; then Enter opens the menu again and q quits. When "
    "standard input or output is not a terminal it reads command ids line by line instead (q quits). "
    "After each pick the run loop fires what the command scheduled, so a paste lands in the document.\n"
    "Dialogs, alerts and password prompts that a plug-in shows are answered by --dialog, --alert and "
    "--password-file when given; otherwise they appear as forms on the terminal (/dev/tty), and without a "
    "terminal every one of them is cancelled (a password prompt then fails as not allowed).";

const char* const kFooter =
    "Storage follows the environment: XDG_CONFIG_HOME (preferences), XDG_DATA_HOME (clips folder and "
    "keychain), XDG_RUNTIME_DIR (clipboard).\n"
    "Exit status: 0 when cmhost did its job (the plug-in's own status is in the output), 2 for a usage "
    "error, 1 when a bundle cannot be loaded, a file cannot be written or --desktop finds no desktop. "
    "Warnings (what was done on the user's behalf, such as a damaged preferences file put aside) are lines "
    "\"cmhost: warning: ...\" on standard error and the \"warnings\" list of every JSON report.";

}  // namespace

std::optional<SInt32> ParseSystemVersion(const std::string& text)
{
    // Gestalt has one hexadecimal digit for each of the minor and bug-fix numbers: a larger number
    // is answered as 9, as the original system did (10.4.11 is 0x1049).
    auto component = [](std::string_view digits) -> std::optional<SInt32> {
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        size_t first = digits.find_first_not_of('0');
        if (first == std::string_view::npos)
            return 0;
        return digits.size() - first > 1 ? 9 : digits[first] - '0';
    };
    std::string_view rest(text);
    if (rest.substr(0, 3) != "10.")
        return std::nullopt;
    rest.remove_prefix(3);
    size_t dot = rest.find('.');
    std::optional<SInt32> minor = component(rest.substr(0, dot));
    std::optional<SInt32> bugFix = dot == std::string_view::npos ? 0 : component(rest.substr(dot + 1));
    if (!minor || !bugFix)
        return std::nullopt;
    return 0x1000 | (*minor << 4) | *bugFix;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine result;
    HostOptions& options = result.options;

    CLI::App app{kDescription, "cmhost"};
    app.footer(kFooter);
    // Options given after the subcommand belong to the host as well.
    app.fallthrough();
    app.require_subcommand(0, 1);

    std::string contextText;
    std::string systemVersionText;
    std::string text;
    std::string cocoaSelection;
    std::string document;

    app.add_option("--plugins", options.plugins,
                   "Load plug-ins from DIR: a bundle folder itself, or a folder of *.plugin bundles "
                   "(default: the Stashwell.plugin installed with cmhost, else the build's)")
        ->type_name("DIR");
    CLI::Option* textOption =
        app.add_option("--text", text, "The context is this selected text (a 'utxt' descriptor)")->type_name("TEXT");
    CLI::Option* contextOption =
        app.add_option("--context", contextText,
                       "The context is any descriptor: a four-character type and its data in hexadecimal")
            ->type_name("TYPE:HEX");
    textOption->excludes(contextOption);
    CLI::Option* cocoaOption = app.add_flag("--cocoa", options.cocoa,
                 "Play a Cocoa application: the host has an application object, whose focused view can "
                 "send no string unless --cocoa-selection gives one (without --cocoa there is no "
                 "application object)");
    app.add_option("--cocoa-selection", cocoaSelection,
                   "The text the Cocoa application's focused view holds and can send (needs --cocoa)")
        ->type_name("TEXT")
        ->needs(cocoaOption);
    app.add_option("--system-version", systemVersionText, "The system version that Gestalt answers (default 10.6.8)")
        ->type_name("10.X.Y");
    app.add_flag("--option", options.optionKey,
                 "Hold the Option key while the menu is shown and picked: the interactive menu opens with "
                 "the alternates in place of their main items (the records that \"menu\" prints are the "
                 "same either way)");
    app.add_option("--document", document,
                   "The document of the application: its text is shown in the interactive session "
                   "(default: an in-memory document, from --text or empty)")
        ->type_name("FILE");

    std::string desktopWord;
    CLI::Option* desktopOption =
        app.add_flag("--desktop{auto}", desktopWord,
                     "Run on the desktop: --desktop or --desktop=auto takes Wayland when WAYLAND_DISPLAY names a "
                     "compositor that answers, else the X11 display named by DISPLAY; --desktop=wayland or "
                     "--desktop=x11 forces one. The clipboard is the desktop's, the context is the text "
                     "selected on the desktop (the primary selection) unless --text or --context gives it, and "
                     "the paste keystroke is typed as Control-V into the window that has the focus (on a Wayland "
                     "compositor that lets no program type, the clip is left on the clipboard and a warning "
                     "says to press Control-V). There is no document, and choose reports none. Without the "
                     "desktop asked for, cmhost exits with status 1")
            ->check(CLI::IsMember({"auto", "x11", "wayland"}));
    desktopOption->excludes(app.get_option("--document"));

    std::vector<std::string> dialogTexts;
    app.add_option("--dialog", dialogTexts,
                   "Answer the next dialog (repeatable, used in order): a JSON object {\"name\", \"submenu\", "
                   "\"secure\", \"plainText\", \"button\": \"ok\"|\"cancel\"|\"close\"}; absent fields keep what "
                   "the dialog showed, the button defaults to ok. A dialog with no answer left is cancelled, and so is every dialog when only "
                   "--alert is given")
        ->type_name("JSON")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    std::string alertButton;
    app.add_option("--alert", alertButton,
                   "Answer every alert with its OK button or its Cancel button (an alert without a Cancel button "
                   "is then cancelled). With --dialog but without --alert, alerts are cancelled")
        ->type_name("ok|cancel");
    std::string passwordFile;
    app.add_option("--password-file", passwordFile,
                   "Answer password prompts with the content of FILE (a final newline left out); once a keychain "
                   "has turned it down three times, its further prompts are cancelled")
        ->type_name("FILE");

    CLI::App* menu = app.add_subcommand("menu", "Examine the context, print the plug-ins' menu, clean up");
    menu->add_flag("--json", options.json, "Print the menu as JSON");

    SInt32 chooseId = 0;
    std::string choosePath;
    CLI::App* choose = app.add_subcommand(
        "choose", "Examine the context, hand one command to the plug-in, clean up, let the run loop fire what "
                  "the command scheduled (waiting at most 2 seconds for a timer, however long they work), and "
                  "report the keystrokes and the document");
    CLI::Option* chooseIdOption =
        choose->add_option("--id", chooseId, "The command id, handed over as it is")->type_name("N");
    CLI::Option* choosePathOption =
        choose->add_option("--path", choosePath,
                           "The command by its titles joined with '/', e.g. Stashwell/Work/Greeting (with "
                           "--option the alternates replace their main items)")
            ->type_name("PATH");
    chooseIdOption->excludes(choosePathOption);
    choose->add_flag("--json", options.json, "Print the report as JSON");

    CLI::App* clipboard = app.add_subcommand("clipboard", "Show, clear or set the user's shared clipboard");
    clipboard->require_subcommand(1);
    CLI::App* clipboardShow = clipboard->add_subcommand("show", "Print the clipboard's flavors in its order");
    clipboardShow->add_flag("--json", options.clipboard.json,
                            "Print {\"flavors\": [{\"type\", \"flags\", \"size\", \"hex\"}]} (hex left out above "
                            "64 KiB)");
    CLI::App* clipboardClear = clipboard->add_subcommand("clear", "Empty the clipboard");
    CLI::App* clipboardSet =
        clipboard->add_subcommand("set", "Clear the clipboard and put the flavors in the order given");
    clipboardSet
        ->add_option("FLAVOR", options.clipboard.flavors,
                     "TYPE=text:STRING, TYPE=hex:HEX or TYPE=@FILE. TYPE has up to four characters (blanks pad "
                     "it); text is U+FEFF and UTF-16 for utxt, Mac OS Roman for TEXT, UTF-8 for any other type")
        ->required();

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.outcome = CommandLine::Outcome::Help;
        const CLI::App* shown = menu->parsed() ? menu : choose->parsed() ? choose : &app;
        for (const CLI::App* sub : {clipboard, clipboardShow, clipboardClear, clipboardSet})
            if (sub->parsed())
                shown = sub;
        result.output = shown->help();
        return result;
    } catch (const CLI::CallForAllHelp&) {
        result.outcome = CommandLine::Outcome::Help;
        result.output = app.help("", CLI::AppFormatMode::All);
        return result;
    } catch (const CLI::ParseError& error) {
        result.outcome = CommandLine::Outcome::Error;
        std::string message = error.what();
        std::replace(message.begin(), message.end(), '\n', ' ');
        if (clipboard->parsed() && !clipboardShow->parsed() && !clipboardClear->parsed() && !clipboardSet->parsed())
            message = "clipboard: expected show, clear or set";
        result.output = "cmhost: " + message;
        return result;
    }

    auto fail = [&result](const std::string& message) {
        result.outcome = CommandLine::Outcome::Error;
        result.output = "cmhost: " + message;
        return result;
    };

    if (menu->parsed())
        options.command = HostCommand::Menu;
    if (clipboard->parsed()) {
        options.command = HostCommand::Clipboard;
        options.clipboard.action = clipboardSet->parsed()     ? ClipboardAction::Set
                                   : clipboardClear->parsed() ? ClipboardAction::Clear
                                                              : ClipboardAction::Show;
    }
    if (choose->parsed()) {
        options.command = HostCommand::Choose;
        if (chooseIdOption->count() > 0)
            options.chooseId = chooseId;
        else if (choosePathOption->count() > 0)
            options.choosePath = choosePath;
        else
            return fail("choose: --id or --path is required");
    }
    if (textOption->count() > 0) {
        std::optional<ContextData> context = TextContextData(text);
        if (!context)
            return fail("--text: the text is not valid UTF-8");
        options.context = *context;
        options.text = text;
    }
    if (contextOption->count() > 0) {
        std::string error;
        std::optional<ContextData> context = ParseContextData(contextText, &error);
        if (!context)
            return fail(error);
        options.context = *context;
    }
    options.desktop = desktopOption->count() > 0;
    if (options.desktop)
        options.desktopChoice = DesktopChoiceNamed(desktopWord).value_or(DesktopChoice::Automatic);
    options.contextFromDesktop = options.desktop && textOption->count() == 0 && contextOption->count() == 0;
    if (app.count("--system-version") > 0) {
        options.systemVersion = ParseSystemVersion(systemVersionText);
        if (!options.systemVersion)
            return fail("--system-version: expected 10.X or 10.X.Y, not \"" +
                        systemVersionText + "\"");
    }
    if (app.count("--cocoa-selection") > 0) {
        if (!CreateStringFromUTF8(cocoaSelection))
            return fail("--cocoa-selection: the text is not valid UTF-8");
        options.cocoaSelection = cocoaSelection;
    }
    if (app.count("--document") > 0)
        options.document = document;
    for (const std::string& each : dialogTexts) {
        platform::Result<DialogAnswer> answer = ParseDialogAnswer(each);
        if (!answer.Ok()) {
            std::string error = answer.Reason();
            std::replace(error.begin(), error.end(), '\n', ' ');
            return fail(error);
        }
        options.dialogs.push_back(std::move(answer.Value()));
    }
    if (app.count("--alert") > 0) {
        if (alertButton != "ok" && alertButton != "cancel")
            return fail("--alert: expected ok or cancel, not \"" + alertButton + "\"");
        options.alertButton = alertButton;
    }
    if (app.count("--password-file") > 0)
        options.passwordFile = passwordFile;
    return result;
}

}  // namespace cmhost
