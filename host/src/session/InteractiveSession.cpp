#include "session/InteractiveSession.h"

#include "application/PendingTimers.h"
#include "common/PlatformWarnings.h"
#include "manager/ContextualMenu.h"
#include "manager/MenuPrinter.h"

#include <charconv>
#include <string>

namespace cmhost {
namespace {

void ShowDocument(const Document& document, std::ostream& out)
{
    out << "Document" << (document.path.empty() ? " (in memory)" : " " + document.path) << ":\n";
    if (document.text.empty())
        out << "  (empty)\n";
    size_t start = 0;
    while (start < document.text.size()) {
        size_t end = document.text.find('\n', start);
        if (end == std::string::npos)
            end = document.text.size();
        out << "  | " << document.text.substr(start, end - start) << "\n";
        start = end + 1;
    }
}

std::string Trimmed(const std::string& line)
{
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    size_t last = line.find_last_not_of(" \t\r");
    return line.substr(first, last - first + 1);
}

}  // namespace

void RunInteractiveSession(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context,
                           const Document& document, std::istream& in, std::ostream& out, std::ostream& err)
{
    ShowDocument(document, out);
    for (;;) {
        {
            ContextualMenu menu(plugIns, context);
            out << "\nMenu:\n" << FormatMenuText(menu.Status(), menu.Items()) << "Command id (q to quit): " << std::flush;

            std::string line;
            if (!std::getline(in, line)) {
                out << "\n";
                return;
            }
            line = Trimmed(line);
            if (line == "q" || line == "quit")
                return;
            SInt32 command = 0;
            auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), command);
            if (line.empty() || error != std::errc() || end != line.data() + line.size()) {
                out << "Not a command id: \"" << line << "\"\n";
                continue;
            }
            OSStatus answer = menu.Choose(command);
            out << "HandleSelection(" << command << ") answered " << answer << "\n";
            // Leaving the scope closes the menu before the run loop fires what the command scheduled.
        }
        const std::string before = document.text;
        RunPendingTimers();
        out.flush();
        TakeAndPrintWarnings(err);
        if (document.text != before)
            ShowDocument(document, out);
    }
}

}  // namespace cmhost
