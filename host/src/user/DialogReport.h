// What the user was shown: each dialog as it first appeared with the button that ended it, and
// each alert with its answer. Both UI drivers keep these for the report of `choose`.
#pragma once

#include <Carbon/Carbon.h>
#include <PlatformUIDriver.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace cmhost {

// The controls of the new-clip dialog that the host reads and fills.
inline constexpr ControlID kNameFieldID = {'Swdg', 3};
inline constexpr ControlID kSecureBoxID = {'Swdg', 5};
inline constexpr ControlID kPlainTextBoxID = {'Swdg', 6};

// A dialog as it was first shown, and the button that ended it ("ok", "cancel" or "close").
struct DialogReport {
    std::string window;
    std::string name;
    int nameSelection[2] = {0, 0};
    std::vector<std::string> submenuChoices;
    std::string submenu;
    double comboY = 0;
    bool secure = false;
    bool plainText = false;
    bool plainTextVisible = false;
    std::string button;
};

struct AlertReport {
    std::string message;
    std::string button;  // "ok", "cancel", "other", or "" when nobody answered (cancelled)
};

// Reads the window as the user sees it now; button is left empty.
DialogReport DescribeDialog(WindowRef window);

// The "dialogs" and "alerts" arrays of `choose --json`.
nlohmann::ordered_json DialogsJson(const std::vector<DialogReport>& dialogs);
nlohmann::ordered_json AlertsJson(const std::vector<AlertReport>& alerts);

// The first control of the window whose information matches, in the window's control order.
template <typename Match>
ControlRef FindWindowControl(WindowRef window, Match&& match);

ControlRef FindControlByID(WindowRef window, const ControlID& id);
ControlRef FindComboBox(WindowRef window);

// The text of a text field, static text or combo box as UTF-8 ("" for other kinds).
std::string ControlText(ControlRef control);

template <typename Match>
ControlRef FindWindowControl(WindowRef window, Match&& match)
{
    CFIndex count = PlatformUIGetControlCount(window);
    for (CFIndex i = 0; i < count; ++i) {
        ControlRef control = PlatformUIGetControlAtIndex(window, i);
        PlatformUIControlInfo info{};
        if (PlatformUIGetControlInfo(control, &info) && match(info))
            return control;
    }
    return nullptr;
}

}  // namespace cmhost
