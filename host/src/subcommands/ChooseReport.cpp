#include "subcommands/ChooseReport.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstring>
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

// What JSON writes for an ASCII character that it escapes, added to out.
void AppendEscapedAscii(unsigned char c, std::string& out)
{
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\b':
        out += "\\b";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default: {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        out += escaped;
        return;
    }
    }
}

bool IsPlainByte(unsigned char c)
{
    return c >= 0x20 && c < 0x80 && c != '"' && c != '\\';
}

// The length of the run of plain bytes at the start of text, eight bytes at a time: a word is
// plain when none of its bytes is below 0x20, at or above 0x80, a quote or a backslash.
size_t PlainRunLength(std::string_view text)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    auto hasZeroByte = [](std::uint64_t word) { return ((word - kOnes) & ~word & kHighs) != 0; };
    size_t length = 0;
    while (text.size() - length >= sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + length, sizeof word);
        // Below 0x20: subtracting 0x20 from a byte under 0x80 borrows into its high bit.
        const bool special = (word & kHighs) != 0 || (((word - kOnes * 0x20) & ~word & kHighs) != 0) ||
                             hasZeroByte(word ^ (kOnes * '"')) || hasZeroByte(word ^ (kOnes * '\\'));
        if (special)
            break;
        length += sizeof word;
    }
    while (length < text.size() && IsPlainByte(static_cast<unsigned char>(text[length])))
        ++length;
    return length;
}

// Writes text as the JSON string the library writes, bytes that are not UTF-8 replaced, without
// building it whole: plain ASCII goes straight out, the ASCII characters JSON escapes are escaped
// here, and only runs of bytes beyond ASCII pass through the library. A run ends only at an ASCII
// byte, which no UTF-8 sequence holds, so no character is ever cut in two. Short pieces gather in
// a buffer of its own: a document of many short lines holds as many escapes, and a stream call
// for each would cost more than the bytes themselves.
void WriteJsonString(std::string_view text, std::ostream& out)
{
    constexpr size_t kBufferBytes = 64 * 1024;
    std::string buffer;
    buffer.reserve(kBufferBytes);
    auto flush = [&] {
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        buffer.clear();
    };
    buffer += '"';
    size_t i = 0;
    while (i < text.size()) {
        const size_t plain = PlainRunLength(text.substr(i));
        if (buffer.size() + plain > kBufferBytes) {
            flush();
            out.write(text.data() + i, static_cast<std::streamsize>(plain));
        } else {
            buffer.append(text.data() + i, plain);
        }
        i += plain;
        if (i == text.size())
            break;
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            AppendEscapedAscii(static_cast<unsigned char>(text[i++]), buffer);
            continue;
        }
        const size_t start = i;
        while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x80)
            ++i;
        const std::string quoted = nlohmann::ordered_json(std::string(text.substr(start, i - start)))
                                       .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        buffer.append(quoted, 1, quoted.size() - 2);
        if (buffer.size() >= kBufferBytes)
            flush();
    }
    buffer += '"';
    flush();
}

}  // namespace

void WriteChooseJson(const ChooseReport& report, std::ostream& out)
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
    // The document, which may be many megabytes, is written straight into the stream where its
    // empty stand-in stands; the rest is small. At the top level and unescaped, the stand-in's
    // line can be nothing else.
    if (report.document)
        json["document"] = "";
    if (!report.desktop.empty())
        json["desktop"] = report.desktop;
    json["warnings"] = report.warnings;
    // The document is whatever the file held: bytes that are not UTF-8 must not stop the report.
    const std::string text = json.dump(1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    const std::string standIn = "\n \"document\": \"\"";
    const size_t at = report.document ? text.find(standIn) : std::string::npos;
    if (at == std::string::npos) {
        out << text;
        return;
    }
    const size_t valueAt = at + standIn.size() - 2;
    out.write(text.data(), static_cast<std::streamsize>(valueAt));
    WriteJsonString(*report.document, out);
    out << std::string_view(text).substr(valueAt + 2);
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
