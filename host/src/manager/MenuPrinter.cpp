#include "manager/MenuPrinter.h"

#include "common/TextConversion.h"

#include <nlohmann/json.hpp>

namespace cmhost {
namespace {

// Names come from a plug-in: a byte sequence that is not UTF-8 must not stop the printout. Most
// names are printable ASCII with nothing to escape: those are quoted as they are, and only the
// others go through the JSON library (escapes, bytes that are not UTF-8).
void AppendQuoted(std::string& out, const std::string& text)
{
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
            out += nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
            return;
        }
    }
    out += '"';
    out += text;
    out += '"';
}

std::string Quoted(const std::string& text)
{
    std::string quoted;
    AppendQuoted(quoted, text);
    return quoted;
}

// Written straight into out: a menu of thousands of items makes no string per field.
void AppendJsonItems(std::string& out, const std::vector<MenuItem>& items, int depth)
{
    out += "[";
    const std::string indent(static_cast<size_t>(3 * depth), ' ');
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        out += '\n';
        out += indent;
        out += '{';
        bool first = true;
        auto key = [&out, &first](const char* name) {
            out += first ? "\"" : ", \"";
            out += name;
            out += "\": ";
            first = false;
        };
        if (item.nameType != 0) {
            key("name");
            if (item.name) {
                AppendQuoted(out, *item.name);
            } else {
                out += "null";
            }
            key("nameType");
            AppendQuoted(out, FourCharCodeString(item.nameType));
        }
        if (item.command) {
            key("command");
            out += std::to_string(*item.command);
        }
        if (item.attributes) {
            key("attributes");
            out += std::to_string(*item.attributes);
        }
        if (item.modifiers) {
            key("modifiers");
            out += std::to_string(*item.modifiers);
        }
        if (item.isSubmenu) {
            key("submenu");
            AppendJsonItems(out, item.submenu, depth + 1);
        }
        out += "}";
        if (i + 1 < items.size())
            out += ",";
    }
    out += "]";
}

std::string ModifierNames(SInt32 modifiers)
{
    std::string names;
    auto add = [&names](const char* name) {
        if (!names.empty())
            names += "+";
        names += name;
    };
    if (modifiers & kMenuShiftModifier)
        add("Shift");
    if (modifiers & kMenuOptionModifier)
        add("Option");
    if (modifiers & kMenuControlModifier)
        add("Control");
    return names;
}

void AppendTextItems(std::string& out, const std::vector<MenuItem>& items, int depth)
{
    const std::string indent(static_cast<size_t>(2 * depth), ' ');
    for (const MenuItem& item : items) {
        std::string name = item.name ? *item.name : "(unreadable name)";
        if (item.isSubmenu) {
            out += indent + name + " >\n";
            AppendTextItems(out, item.submenu, depth + 1);
            continue;
        }
        if (IsSeparator(item)) {
            out += indent + "----------\n";
            continue;
        }
        out += indent + name;
        if (item.command)
            out += "  [" + std::to_string(*item.command) + "]";
        else
            out += "  [no command]";
        if (item.attributes && (*item.attributes & kMenuItemAttrDynamic) && item.modifiers && *item.modifiers)
            out += "  (replaces the item above while " + ModifierNames(*item.modifiers) + " is held)";
        out += "\n";
    }
}

}  // namespace

bool IsSeparator(const MenuItem& item)
{
    return !item.isSubmenu && item.name && *item.name == "-" &&
           !(item.attributes.value_or(0) & kMenuItemAttrIgnoreMeta);
}

std::string FormatMenuJson(OSStatus status, const std::vector<MenuItem>& items,
                           const std::vector<std::string>& warnings, const std::string& desktop)
{
    std::string out = "{\"status\": " + std::to_string(status) + ",\n \"items\": ";
    AppendJsonItems(out, items, 1);
    if (!desktop.empty())
        out += ",\n \"desktop\": " + Quoted(desktop);
    out += ",\n \"warnings\": [";
    for (size_t i = 0; i < warnings.size(); ++i)
        out += (i == 0 ? "" : ", ") + Quoted(warnings[i]);
    out += "]}\n";
    return out;
}

std::string FormatMenuText(OSStatus status, const std::vector<MenuItem>& items)
{
    std::string out;
    if (items.empty())
        out += "(the menu is empty)\n";
    AppendTextItems(out, items, 0);
    if (status != noErr)
        out += "ExamineContext answered " + std::to_string(status) + "\n";
    return out;
}

}  // namespace cmhost
