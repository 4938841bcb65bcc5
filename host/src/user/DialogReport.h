// What the user was shown: each dialog as it first appeared with the button that ended it, and
// each alert with its answer. Both UI drivers keep these for the report of `choose`.
#pragma once

#include "user/DialogModel.h"

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

// The dialog as read; button is left empty.
DialogReport DescribeDialog(const DialogModel& dialog);

// The "dialogs" and "alerts" arrays of `choose --json`.
nlohmann::ordered_json DialogsJson(const std::vector<DialogReport>& dialogs);
nlohmann::ordered_json AlertsJson(const std::vector<AlertReport>& alerts);

}  // namespace cmhost
