#include "subcommands/ChooseReport.h"

#include <nlohmann/json.hpp>

#include <string_view>

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

void WriteChooseJson(ChooseReport report, std::ostream& out)
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
    // Moved, and printed straight into the stream: a document of many megabytes is not copied
    // on its way out.
    if (report.document)
        json["document"] = std::move(*report.document);
    json["warnings"] = report.warnings;
    // The document is whatever the file held: bytes that are not UTF-8 must not stop the report.
    nlohmann::detail::serializer<nlohmann::ordered_json> printer(nlohmann::detail::output_adapter<char>(out), ' ',
                                                                  nlohmann::ordered_json::error_handler_t::replace);
    printer.dump(json, true, false, 1);
    out << "\n";
}

void WriteChooseText(const ChooseReport& report, std::ostream& stream)
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
    stream << out;
    if (!report.document)
        return;
    const std::string_view document = *report.document;
    stream << "Document:\n";
    if (document.empty())
        stream << "  (empty)\n";
    // A line at a time, straight into the stream: the document is not copied on its way out.
    size_t start = 0;
    while (start < document.size()) {
        size_t end = document.find('\n', start);
        if (end == std::string::npos)
            end = document.size();
        stream << "  | " << document.substr(start, end - start) << "\n";
        start = end + 1;
    }
}

}  // namespace cmhost
