// The text an editor pastes from the shared clipboard.
#pragma once

#include <optional>
#include <string>

namespace cmhost {

// The clipboard's text as UTF-8: its 'utxt' flavor (UTF-16 in host order, a leading byte-order mark
// skipped) when it has one, else its 'TEXT' flavor read as Mac OS Roman; nullopt when it holds no
// text or cannot be read.
std::optional<std::string> CopyClipboardText();

}  // namespace cmhost
