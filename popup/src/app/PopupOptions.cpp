#include "app/PopupOptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace popup {
namespace {

const char* const kDescription =
    "stashwell-popup opens the contextual menu of the Stashwell plug-in at the mouse pointer, over the "
    "application that has the keyboard focus on the desktop: Wayland when WAYLAND_DISPLAY names a compositor "
    "that answers, else the X11 display named by DISPLAY (--desktop forces one). On Wayland the menu opens in a "
    "small window that the compositor places, not at the pointer. Bind it to a key.\n"
    "The menu is the one the plug-in writes for the text selected on the desktop (the primary selection): "
    "the clips, in their submenus, and the commands that add and manage them. Pick with the mouse or with "
    "the arrow keys and Enter. Holding Alt plays the Option key: while it is held, each clip shows as "
    "\"- name\", which deletes it. Escape or a click outside closes the menu and changes nothing.\n"
    "A picked clip is put on the desktop's clipboard and pasted with Control-V into the window that had "
    "the focus (where a Wayland compositor lets no program type, a notice says to press Control-V). The "
    "plug-in's dialogs (New Clip, alerts, the keychain's passwords) open as windows.";

const char* const kFooter =
    "Storage follows the environment: XDG_CONFIG_HOME (preferences), XDG_DATA_HOME (clips folder and "
    "keychain), XDG_RUNTIME_DIR (clipboard).\n"
    "Exit status: 0 when the menu was shown (whether or not a command was picked), 1 when the desktop is "
    "not there or the plug-in cannot be loaded, 2 for a usage error.";

}  // namespace

PopupCommandLine ParsePopupCommandLine(const std::vector<std::string>& arguments)
{
    PopupCommandLine result;
    CLI::App app{kDescription, "stashwell-popup"};
    app.footer(kFooter);
    app.add_option("--plugins", result.plugins,
                   "Load plug-ins from DIR: a bundle folder itself, or a folder of *.plugin bundles "
                   "(default: the Stashwell.plugin installed with stashwell-popup, else the build's)")
        ->type_name("DIR");
    app.add_option("--desktop", result.desktop,
                   "The desktop to open the menu on: auto (the default), wayland or x11")
        ->check(CLI::IsMember({"auto", "x11", "wayland"}));
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.outcome = PopupCommandLine::Outcome::Help;
        result.output = app.help();
    } catch (const CLI::ParseError& error) {
        result.outcome = PopupCommandLine::Outcome::Error;
        std::string message = error.what();
        std::replace(message.begin(), message.end(), '\n', ' ');
        result.output = "stashwell-popup: " + message;
    }
    return result;
}

}  // namespace popup
