#include "ContextData.h"

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

std::optional<ContextData> ParseContextData(std::string_view text, std::string* error)
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
    ContextData context;
    context.type = 0;
    for (char c : type)
        context.type = (context.type << 8) | static_cast<unsigned char>(c);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = HexDigit(hex[i]);
        int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            *error = "--context: \"" + std::string(hex.substr(i, 2)) + "\" is not a hexadecimal byte";
            return std::nullopt;
        }
        context.bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return context;
}

std::optional<ContextData> TextContextData(std::string_view utf8Text)
{
    std::optional<std::vector<UniChar>> units = UTF16FromUTF8(utf8Text);
    if (!units)
        return std::nullopt;
    ContextData context;
    context.type = typeUnicodeText;
    context.bytes.assign(reinterpret_cast<const char*>(units->data()), units->size() * sizeof(UniChar));
    return context;
}

ScopedAEDesc CreateContextDescriptor(const ContextData& context)
{
    ScopedAEDesc desc;
    if (context.type != typeNull || !context.bytes.empty())
        AECreateDesc(context.type, context.bytes.data(), static_cast<Size>(context.bytes.size()), desc.Out());
    return desc;
}

}  // namespace cmhost
