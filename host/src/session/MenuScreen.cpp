#include "session/MenuScreen.h"

#include "terminal/TerminalStyle.h"

#include <algorithm>

namespace cmhost {
namespace {

using namespace style;
const size_t kLongestLabel = 40;

// Cuts the text to at most width characters, marking the cut with an ellipsis.
std::string Shortened(const std::string& text, size_t width)
{
    if (DisplayWidth(text) <= width)
        return text;
    std::string out;
    size_t characters = 0;
    for (char c : text) {
        bool starts = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        if (starts && ++characters > width - 1)
            break;
        out += c;
    }
    return out + "\u2026";
}

// Where the next paste lands, as the user reads it: the selected text, or the insertion point's
// line and column (counted in characters) when nothing is selected.
std::string SelectionLine(const Document& document, size_t width)
{
    const size_t start = std::min(document.selectionStart, document.text.size());
    if (document.selectionLength > 0) {
        std::string selected = document.text.substr(start, document.selectionLength);
        const size_t lineEnd = selected.find('\n');
        if (lineEnd != std::string::npos)
            selected = selected.substr(0, lineEnd) + " \u2026";
        return "Selected: \"" + Shortened(selected, width > 14 ? width - 14 : 1) + "\"";
    }
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < start; ++i) {
        const char c = document.text[i];
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "Nothing selected: a paste goes in at line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string Repeated(const std::string& piece, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i)
        out += piece;
    return out;
}

struct Column {
    size_t top = 0;
    size_t width = 0;
    std::vector<std::string> cells;  // styled, each width columns wide
};

Column MakeColumn(const MenuNavigator::Level& level, size_t top, bool innermost)
{
    Column column;
    column.top = top;
    size_t labelWidth = std::string("(empty)").size();
    for (const MenuEntry& entry : level.entries) {
        if (entry.kind != EntryKind::Separator)
            labelWidth = std::max(labelWidth, DisplayWidth(Shortened(entry.label, kLongestLabel)));
    }
    // One blank each side, and room for the submenu mark.
    column.width = labelWidth + 4;
    if (level.entries.empty())
        column.cells.push_back(std::string(kDim) + " (empty)" + std::string(column.width - 8, ' ') + kPlain);
    for (size_t i = 0; i < level.entries.size(); ++i) {
        const MenuEntry& entry = level.entries[i];
        if (entry.kind == EntryKind::Separator) {
            column.cells.push_back(std::string(kDim) + " " + Repeated("\u2500", column.width - 2) + " " + kPlain);
            continue;
        }
        std::string label = Shortened(entry.label, kLongestLabel);
        std::string text = " " + label + std::string(labelWidth - DisplayWidth(label), ' ') +
                           (entry.kind == EntryKind::Submenu ? " > " : "   ");
        const char* style = "";
        if (static_cast<int>(i) == level.highlight)
            style = innermost ? kReverse : kBold;
        else if (entry.kind == EntryKind::Disabled)
            style = kDim;
        column.cells.push_back(*style ? std::string(style) + text + kPlain : text);
    }
    return column;
}

void AppendLine(std::string& out, const std::string& line)
{
    out += line;
    out += "\x1b[K\n";
}

}  // namespace

size_t DisplayWidth(const std::string& text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::vector<std::string> MenuColumnLines(const MenuNavigator& navigator, int width)
{
    const std::vector<MenuNavigator::Level>& levels = navigator.Levels();
    std::vector<Column> columns;
    size_t top = 0;
    for (size_t i = 0; i < levels.size(); ++i) {
        columns.push_back(MakeColumn(levels[i], top, i + 1 == levels.size()));
        top += static_cast<size_t>(std::max(levels[i].highlight, 0));
    }
    // Drop outer lists until the rest fits; a column is followed by one blank.
    size_t first = 0;
    auto widthFrom = [&columns](size_t from) {
        size_t total = 0;
        for (size_t i = from; i < columns.size(); ++i)
            total += columns[i].width + 1;
        return total;
    };
    while (first + 1 < columns.size() && widthFrom(first) > static_cast<size_t>(std::max(width, 1)))
        ++first;

    size_t rows = 0;
    for (size_t i = first; i < columns.size(); ++i)
        rows = std::max(rows, columns[i].top + columns[i].cells.size());
    std::vector<std::string> lines(rows);
    for (size_t row = 0; row < rows; ++row) {
        std::string& line = lines[row];
        for (size_t i = first; i < columns.size(); ++i) {
            const Column& column = columns[i];
            bool inside = row >= column.top && row < column.top + column.cells.size();
            line += inside ? column.cells[row - column.top] : std::string(column.width, ' ');
            line += ' ';
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
    }
    return lines;
}

std::string MenuScreenFrame(const Document& document, const MenuNavigator& navigator, OSStatus status,
                            ScreenSize size)
{
    std::vector<std::string> menu = MenuColumnLines(navigator, size.columns);
    const size_t fixedLines = menu.size() + 9;
    const size_t roomForDocument =
        static_cast<size_t>(size.rows) > fixedLines + 1 ? static_cast<size_t>(size.rows) - fixedLines : 1;

    std::string out = "\x1b[H";
    AppendLine(out, std::string("Document") + (document.path.empty() ? " (in memory)" : " " + document.path) + ":");
    std::vector<std::string> text;
    for (size_t start = 0; start < document.text.size();) {
        size_t end = document.text.find('\n', start);
        if (end == std::string::npos)
            end = document.text.size();
        text.push_back(document.text.substr(start, end - start));
        start = end + 1;
    }
    if (text.empty())
        AppendLine(out, "  (empty)");
    const size_t width = static_cast<size_t>(std::max(size.columns - 4, 8));
    for (size_t i = 0; i < text.size(); ++i) {
        if (i + 1 == roomForDocument && text.size() > roomForDocument) {
            AppendLine(out, "  | ... " + std::to_string(text.size() - i) + " more lines");
            break;
        }
        AppendLine(out, "  | " + Shortened(text[i], width));
    }
    AppendLine(out, std::string(kDim) + "  " + SelectionLine(document, width) + kPlain);
    AppendLine(out, "");
    AppendLine(out, std::string("Contextual menu") +
                        (navigator.OptionHeld() ? std::string("  ") + kReverse + " Option held " + kPlain : ""));
    for (const std::string& line : menu)
        AppendLine(out, line);
    if (menu.empty())
        AppendLine(out, std::string(kDim) + " (the menu is empty)" + kPlain);
    AppendLine(out, "");
    if (status != noErr)
        AppendLine(out, "ExamineContext answered " + std::to_string(status));
    AppendLine(out, "Up/Down: move   Right/Enter: open submenu   Left/Esc: close submenu   Enter: choose");
    AppendLine(out, std::string("Tab or o: hold/release Option (") + (navigator.OptionHeld() ? "held" : "not held") +
                        ")   Esc at the top or q: cancel");
    // Whatever an earlier, longer frame left below.
    out += "\x1b[J";
    return out;
}

}  // namespace cmhost
