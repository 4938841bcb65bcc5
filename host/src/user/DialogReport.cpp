#include "user/DialogReport.h"

#include "CFOwner.h"
#include "common/TextConversion.h"

#include <cmath>

namespace cmhost {

ControlRef FindControlByID(WindowRef window, const ControlID& id)
{
    return FindWindowControl(window, [&id](const PlatformUIControlInfo& info) {
        return info.id.signature == id.signature && info.id.id == id.id;
    });
}

ControlRef FindComboBox(WindowRef window)
{
    return FindWindowControl(window, [](const PlatformUIControlInfo& info) { return info.kind == kPlatformControlComboBox; });
}

std::string ControlText(ControlRef control)
{
    platform::CFOwner<CFStringRef> text = platform::AdoptCF(PlatformUICopyControlText(control));
    return text ? UTF8FromString(text.Get()) : std::string();
}

DialogReport DescribeDialog(WindowRef window)
{
    DialogReport report;
    platform::CFOwner<CFStringRef> windowName = platform::AdoptCF(PlatformUICopyWindowName(window));
    if (windowName)
        report.window = UTF8FromString(windowName.Get());
    PlatformUIControlInfo info{};
    if (ControlRef name = FindControlByID(window, kNameFieldID); name != nullptr && PlatformUIGetControlInfo(name, &info)) {
        report.name = ControlText(name);
        report.nameSelection[0] = info.selection.selStart;
        report.nameSelection[1] = info.selection.selEnd;
    }
    if (ControlRef combo = FindComboBox(window); combo != nullptr && PlatformUIGetControlInfo(combo, &info)) {
        report.submenu = ControlText(combo);
        report.comboY = info.frame.origin.y;
        platform::CFOwner<CFArrayRef> items = platform::AdoptCF(PlatformUICopyComboBoxItems(combo));
        for (CFIndex i = 0; items && i < CFArrayGetCount(items.Get()); ++i)
            report.submenuChoices.push_back(
                UTF8FromString(static_cast<CFStringRef>(CFArrayGetValueAtIndex(items.Get(), i))));
    }
    if (ControlRef secure = FindControlByID(window, kSecureBoxID);
        secure != nullptr && PlatformUIGetControlInfo(secure, &info))
        report.secure = info.value != 0;
    if (ControlRef plain = FindControlByID(window, kPlainTextBoxID);
        plain != nullptr && PlatformUIGetControlInfo(plain, &info)) {
        report.plainText = info.value != 0;
        report.plainTextVisible = info.shown;
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
