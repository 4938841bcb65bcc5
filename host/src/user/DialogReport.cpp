#include "user/DialogReport.h"

#include <cmath>

namespace cmhost {

DialogReport DescribeDialog(const DialogModel& dialog)
{
    DialogReport report;
    report.window = dialog.Name();
    if (const DialogControl* name = dialog.Find(kNameFieldID)) {
        report.name = name->text;
        report.nameSelection[0] = name->info.selection.selStart;
        report.nameSelection[1] = name->info.selection.selEnd;
    }
    if (const DialogControl* combo = dialog.FirstOfKind(kPlatformControlComboBox)) {
        report.submenu = combo->text;
        report.comboY = combo->info.frame.origin.y;
        report.submenuChoices = combo->choices;
    }
    if (const DialogControl* secure = dialog.Find(kSecureBoxID))
        report.secure = secure->info.value != 0;
    if (const DialogControl* plain = dialog.Find(kPlainTextBoxID)) {
        report.plainText = plain->info.value != 0;
        report.plainTextVisible = plain->Shown();
    }
    return report;
}

nlohmann::ordered_json DialogsJson(const std::vector<DialogReport>& dialogs)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (const DialogReport& each : dialogs) {
        // Whole numbers print as integers, as the window's layout gives them.
        nlohmann::ordered_json comboY;
        if (std::floor(each.comboY) == each.comboY && std::fabs(each.comboY) < 1e9)
            comboY = static_cast<long long>(each.comboY);
        else
            comboY = each.comboY;
        json.push_back({{"window", each.window},
                        {"name", each.name},
                        {"nameSelection", {each.nameSelection[0], each.nameSelection[1]}},
                        {"submenuChoices", each.submenuChoices},
                        {"submenu", each.submenu},
                        {"comboY", comboY},
                        {"secure", each.secure},
                        {"plainText", each.plainText},
                        {"plainTextVisible", each.plainTextVisible},
                        {"button", each.button}});
    }
    return json;
}

nlohmann::ordered_json AlertsJson(const std::vector<AlertReport>& alerts)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (const AlertReport& each : alerts)
        json.push_back({{"message", each.message}, {"button", each.button}});
    return json;
}

}  // namespace cmhost
