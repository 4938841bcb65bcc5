// The context the user right-clicked on, as the command line gives it: "--text TEXT" (selected
// text), "--context TYPE:HEX" (any descriptor) or nothing (typeNull).
#pragma once

#include "common/ScopedAEDesc.h"

#include <optional>
#include <string>
#include <string_view>

namespace cmhost {

struct ContextData {
    DescType type = typeNull;
    std::string bytes;
};

// Reads "TYPE:HEX": TYPE is exactly four characters (four bytes), HEX an even number of hexadecimal
// digits, possibly none. On failure, *error gets a one-line reason.
std::optional<ContextData> ParseContextData(std::string_view text, std::string* error);

// Selected text as the 'utxt' descriptor a host hands over: UTF-16 in host order, no byte-order
// mark, no terminator. nullopt when the text is not valid UTF-8.
std::optional<ContextData> TextContextData(std::string_view utf8Text);

// The descriptor for the context data; typeNull carries no data.
ScopedAEDesc CreateContextDescriptor(const ContextData& context);

}  // namespace cmhost
