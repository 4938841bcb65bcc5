#include "application/ClipboardText.h"

#include "common/TextConversion.h"

#include <Carbon/Scrap.h>

#include <algorithm>
#include <vector>

namespace cmhost {
namespace {

// The bytes of one flavor, all read through the same ScrapRef so that both calls see one
// generation.
std::optional<std::vector<char>> FlavorBytes(ScrapRef scrap, ScrapFlavorType type)
{
    Size size = 0;
    if (GetScrapFlavorSize(scrap, type, &size) != noErr || size < 0)
        return std::nullopt;
    std::vector<char> bytes(static_cast<size_t>(size));
    Size copied = size;
    if (size > 0 && GetScrapFlavorData(scrap, type, &copied, bytes.data()) != noErr)
        return std::nullopt;
    bytes.resize(static_cast<size_t>(copied));
    return bytes;
}

}  // namespace

std::optional<std::string> CopyClipboardText()
{
    ScrapRef scrap = nullptr;
    if (GetCurrentScrap(&scrap) != noErr)
        return std::nullopt;
    if (std::optional<std::vector<char>> unicode = FlavorBytes(scrap, kScrapFlavorTypeUnicode)) {
        std::vector<UniChar> units(unicode->size() / sizeof(UniChar));
        std::copy_n(unicode->data(), units.size() * sizeof(UniChar), reinterpret_cast<char*>(units.data()));
        size_t skip = !units.empty() && units.front() == 0xFEFF ? 1 : 0;
        return UTF8FromUTF16(units.data() + skip, units.size() - skip);
    }
    if (std::optional<std::vector<char>> roman = FlavorBytes(scrap, kScrapFlavorTypeText))
        return UTF8FromMacRoman(roman->data(), roman->size());
    return std::nullopt;
}

}  // namespace cmhost
