#include "ContextSpec.h"

#include "TextConversion.h"

namespace cmhost {
namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<ContextSpec> ParseContextSpec(std::string_view text, std::string* error)
{
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        *error = "--context: expected TYPE:HEX, for example utxt:4100";
        return std::nullopt;
    }
    std::string_view type = text.substr(0, colon);
    std::string_view hex = text.substr(colon + 1);
    if (type.size() != 4) {
        *error = "--context: the type must be exactly four characters, not \"" + std::string(type) + "\"";
        return std::nullopt;
    }
    if (hex.size() % 2 != 0) {
        *error = "--context: the hexadecimal data must have an even number of digits";
        return std::nullopt;
    }
    ContextSpec spec;
    spec.type = 0;
    for (char c : type)
        spec.type = (spec.type << 8) | static_cast<unsigned char>(c);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = HexDigit(hex[i]);
        int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            *error = "--context: \"" + std::string(hex.substr(i, 2)) + "\" is not a hexadecimal byte";
            return std::nullopt;
        }
        spec.bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return spec;
}

std::optional<ContextSpec> TextContextSpec(std::string_view utf8Text)
{
    std::optional<std::vector<UniChar>> units = UTF16FromUTF8(utf8Text);
    if (!units)
        return std::nullopt;
    ContextSpec spec;
    spec.type = typeUnicodeText;
    spec.bytes.assign(reinterpret_cast<const char*>(units->data()), units->size() * sizeof(UniChar));
    return spec;
}

ScopedAEDesc CreateContextDescriptor(const ContextSpec& spec)
{
    ScopedAEDesc desc;
    if (spec.type != typeNull || !spec.bytes.empty())
        AECreateDesc(spec.type, spec.bytes.data(), static_cast<Size>(spec.bytes.size()), desc.Out());
    return desc;
}

}  // namespace cmhost
