#include "application/ContextData.h"

#include "common/TextConversion.h"

namespace cmhost {
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
    std::optional<std::string> bytes = BytesFromHex(hex);
    if (!bytes) {
        *error = "--context: the data must be an even number of hexadecimal digits, not \"" + std::string(hex) + "\"";
        return std::nullopt;
    }
    ContextData context;
    context.type = 0;
    for (char c : type)
        context.type = (context.type << 8) | static_cast<unsigned char>(c);
    context.bytes = std::move(*bytes);
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
