#include "subcommands/ChooseReport.h"

#include <nlohmann/json.hpp>

namespace cmhost {
namespace {

std::string KeyName(const KeyboardRecord& key)
{
    if (key.keyCode == kCommandKeyCode && key.charCode == 0)
        return "Command";
    std::string name = "key " + std::to_string(key.keyCode);
    if (key.charCode >= 0x20 && key.charCode < 0x7F)
        name += " '" + std::string(1, static_cast<char>(key.charCode)) + "'";
    else if (key.charCode != 0)
        name += " char " + std::to_string(key.charCode);
    return name;
}

}  // namespace

std::string FormatChooseJson(const ChooseReport& report)
{
    nlohmann::ordered_json keystrokes = nlohmann::ordered_json::array();
    for (const KeyboardRecord& key : report.keystrokes)
        keystrokes.push_back({{"char", key.charCode}, {"key", key.keyCode}, {"down", key.keyDown}});
    nlohmann::ordered_json json;
    json["status"] = report.status;
    json["dialogs"] = DialogsJson(report.dialogs);
    json["alerts"] = AlertsJson(report.alerts);
    json["passwordPrompts"] = report.passwordPrompts;
    json["keystrokes"] = std::move(keystrokes);
    if (report.document)
        json["document"] = *report.document;
    json["warnings"] = report.warnings;
    // The document is whatever the file held: bytes that are not UTF-8 must not stop the report.
    return json.dump(1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string FormatChooseText(const ChooseReport& report)
{
    std::string out = "HandleSelection answered " + std::to_string(report.status) + "\n";
    for (const DialogReport& dialog : report.dialogs) {
        out += "Dialog \"" + dialog.window + "\": name \"" + dialog.name + "\"";
        if (!dialog.submenuChoices.empty() || !dialog.submenu.empty())
            out += ", submenu \"" + dialog.submenu + "\"";
        out += std::string(", secure ") + (dialog.secure ? "on" : "off");
        if (dialog.plainTextVisible)
            out += std::string(", plain text ") + (dialog.plainText ? "on" : "off");
        out += "; ended with " + (dialog.button.empty() ? std::string("nothing") : dialog.button) + "\n";
    }
    for (const AlertReport& alert : report.alerts)
        out += "Alert \"" + alert.message + "\": " + (alert.button.empty() ? std::string("cancelled") : alert.button) +
               "\n";
    if (report.passwordPrompts > 0)
        out += "Password prompts answered: " + std::to_string(report.passwordPrompts) + "\n";
    out += "Keystrokes:";
    if (report.keystrokes.empty())
        out += " none";
    for (size_t i = 0; i < report.keystrokes.size(); ++i) {
        const KeyboardRecord& key = report.keystrokes[i];
        out += (i == 0 ? " " : ", ") + KeyName(key) + (key.keyDown ? " down" : " up");
    }
    out += "\n";
    if (!report.document)
        return out;
    const std::string& document = *report.document;
    out += "Document:\n";
    if (document.empty())
        out += "  (empty)\n";
    size_t start = 0;
    while (start < document.size()) {
        size_t end = document.find('\n', start);
        if (end == std::string::npos)
            end = document.size();
        out += "  | " + document.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return out;
}

}  // namespace cmhost
