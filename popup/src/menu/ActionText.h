// The text a Qt menu item shows for a record's name, so that the name reads exactly as the plug-in
// wrote it: Qt would otherwise take '&' as the mark of a mnemonic and a tab as the start of a
// shortcut column. A very long name is shortened, so that no list grows wider than the screen.
#pragma once

#include <QString>

#include <string>

namespace popup {

// The most characters a list shows of a name, as a reader counts them (an accented letter or an
// emoji is one, however many code units it takes).
inline constexpr int kShownNameLimit = 60;

// The name as a list shows it: unchanged up to kShownNameLimit characters; a longer one keeps its
// start and its end with "…" between them, kShownNameLimit characters in all.
QString ShownName(const QString& name);

// '&' doubled (Qt shows "&&" as one '&' and makes no mnemonic of it); a tab shown as a space; the
// name shortened as ShownName does.
QString ActionText(const std::string& utf8Label);

}  // namespace popup
