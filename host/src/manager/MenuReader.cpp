#include "manager/MenuReader.h"

#include "CFOwner.h"
#include "common/ScopedAEDesc.h"
#include "common/TextConversion.h"

#include <cstring>

namespace cmhost {
namespace {

std::optional<std::string> ReadName(const AEDesc& name)
{
    Size size = AEGetDescDataSize(&name);
    if (size < 0)
        return std::nullopt;
    std::vector<unsigned char> data(static_cast<size_t>(size));
    if (size > 0 && AEGetDescData(&name, data.data(), size) != noErr)
        return std::nullopt;

    switch (name.descriptorType) {
    case typeCFStringRef: {
        // The datum is the reference itself; the host now owns it.
        if (data.size() != sizeof(CFStringRef))
            return std::nullopt;
        CFStringRef raw = nullptr;
        std::memcpy(&raw, data.data(), sizeof raw);
        if (!raw)
            return std::nullopt;
        platform::CFOwner<CFStringRef> string = platform::AdoptCF(raw);
        if (CFGetTypeID(string.Get()) != CFStringGetTypeID())
            return std::nullopt;
        return UTF8FromString(string.Get());
    }
    case typeUnicodeText: {
        if (data.size() % sizeof(UniChar) != 0)
            return std::nullopt;
        std::vector<UniChar> units(data.size() / sizeof(UniChar));
        if (!units.empty())
            std::memcpy(units.data(), data.data(), data.size());
        return UTF8FromUTF16(units.data(), units.size());
    }
    case typeChar:
        return UTF8FromMacRoman(data.data(), data.size());
    default:
        return std::nullopt;
    }
}

std::optional<SInt32> ReadLong(const AERecord& record, AEKeyword key)
{
    DescType type = 0;
    Size size = 0;
    if (AESizeOfKeyDesc(&record, key, &type, &size) != noErr)
        return std::nullopt;
    SInt32 value = 0;
    Size actual = 0;
    if (AEGetKeyPtr(&record, key, typeSInt32, &type, &value, sizeof value, &actual) != noErr ||
        actual != sizeof value)
        return std::nullopt;
    return value;
}

void ReadItems(const AEDescList& list, std::vector<MenuItem>& items);

MenuItem ReadRecord(const AERecord& record)
{
    MenuItem item;
    ScopedAEDesc name;
    if (AEGetKeyDesc(&record, keyAEName, typeWildCard, name.Out()) == noErr) {
        item.nameType = name.Type();
        item.name = ReadName(name.Get());
    }
    ScopedAEDesc submenu;
    if (AEGetKeyDesc(&record, keyContextualMenuSubmenu, typeWildCard, submenu.Out()) == noErr) {
        item.isSubmenu = true;
        ReadItems(submenu.Get(), item.submenu);
    }
    item.command = ReadLong(record, keyContextualMenuCommandID);
    item.attributes = ReadLong(record, keyContextualMenuAttributes);
    item.modifiers = ReadLong(record, keyContextualMenuModifiers);
    return item;
}

void ReadItems(const AEDescList& list, std::vector<MenuItem>& items)
{
    long count = 0;
    if (AECountItems(&list, &count) != noErr)
        return;
    items.reserve(items.size() + static_cast<size_t>(count));
    for (long index = 1; index <= count; ++index) {
        ScopedAEDesc record;
        AEKeyword key = 0;
        if (AEGetNthDesc(&list, index, typeWildCard, &key, record.Out()) != noErr)
            continue;
        items.push_back(ReadRecord(record.Get()));
    }
}

}  // namespace

std::vector<MenuItem> ReadMenuItems(const AEDescList& list)
{
    std::vector<MenuItem> items;
    ReadItems(list, items);
    return items;
}

}  // namespace cmhost
