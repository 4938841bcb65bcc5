// printf-style formatting of UTF-16 text, shared by the string functions and any platform code
// that builds messages.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace platform {

// The text of the format with its conversions filled from the arguments; see
// CFStringCreateWithFormat for the conversions understood.
std::u16string FormatUnits(std::u16string_view format, va_list arguments);

}  // namespace platform
