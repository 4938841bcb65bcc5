#include "support/ClipboardFlavors.h"

#include <Carbon/Carbon.h>

namespace testsupport {

std::vector<std::pair<std::string, std::string>> ReadClipboardFlavors()
{
    std::vector<std::pair<std::string, std::string>> flavors;
    ScrapRef scrap = nullptr;
    UInt32 count = 0;
    if (GetCurrentScrap(&scrap) != noErr || GetScrapFlavorCount(scrap, &count) != noErr) {
        return flavors;
    }
    std::vector<ScrapFlavorInfo> infos(count);
    GetScrapFlavorInfoList(scrap, &count, infos.data());
    for (UInt32 i = 0; i < count; ++i) {
        Size size = 0;
        GetScrapFlavorSize(scrap, infos[i].flavorType, &size);
        std::string bytes(static_cast<size_t>(size), '\0');
        GetScrapFlavorData(scrap, infos[i].flavorType, &size, bytes.data());
        UInt32 type = infos[i].flavorType;
        std::string typeString = {char(type >> 24), char(type >> 16), char(type >> 8), char(type)};
        flavors.emplace_back(typeString, bytes);
    }
    return flavors;
}

}  // namespace testsupport
