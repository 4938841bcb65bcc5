// The terminal's text attributes, as the menu and the forms draw them.
#pragma once

namespace cmhost::style {

inline constexpr const char* kReverse = "\x1b[7m";  // the current item
inline constexpr const char* kBold = "\x1b[1m";
inline constexpr const char* kDim = "\x1b[2m";  // what cannot be chosen
inline constexpr const char* kPlain = "\x1b[0m";

}  // namespace cmhost::style
