// The text a Qt menu item shows for a record's name, so that the name reads exactly as the plug-in
// wrote it: Qt would otherwise take '&' as the mark of a mnemonic and a tab as the start of a
// shortcut column.
#pragma once

#include <QString>

#include <string>

namespace popup {

// '&' doubled (Qt shows "&&" as one '&' and makes no mnemonic of it); a tab shown as a space.
QString ActionText(const std::string& utf8Label);

}  // namespace popup
