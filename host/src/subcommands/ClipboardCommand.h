// `cmhost clipboard show [--json] | clear | set FLAVOR...`: the user's shared clipboard, seen and
// changed from the command line through the platform's Scrap Manager.
#pragma once

#include <MacTypes.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace cmhost {

enum class ClipboardAction {
    Show,
    Clear,
    Set,
};

struct ClipboardRequest {
    ClipboardAction action = ClipboardAction::Show;
    bool json = false;
    // set: the FLAVOR arguments as given, in order.
    std::vector<std::string> flavors;
};

// One flavor to put: its type and its bytes.
struct FlavorArgument {
    FourCharCode type = 0;
    std::string bytes;
};

// Reads one FLAVOR argument, TYPE=text:STRING, TYPE=hex:HEX or TYPE=@FILE. TYPE is one to four
// characters of Mac OS Roman, padded with blanks to four, and ends at the first '='. text: gives
// STRING as that type's text: 'utxt' as U+FEFF then UTF-16 in host order, 'TEXT' in Mac OS Roman
// (refused when a character has no Mac OS Roman form), any other type as UTF-8. nullopt, with a
// one-line reason in error, when the argument is malformed or the file cannot be read.
std::optional<FlavorArgument> ParseFlavorArgument(const std::string& argument, std::string* error);

// Hexadecimal bytes above this size are left out of `show --json`.
constexpr Size kClipboardJSONHexLimit = 64 * 1024;

// Runs the request. Returns the process exit status: 0 done, 2 for a FLAVOR argument that cannot
// be used (nothing is changed then), 1 when the clipboard cannot be read or written (with the
// platform's reason on err).
int RunClipboardCommand(const ClipboardRequest& request, std::ostream& out, std::ostream& err);

}  // namespace cmhost
