#include "plugin/menu/MenuRecordReader.h"

#include "plugin/support/TextTesting.h"

#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <cstring>

namespace menutest {
namespace {

std::optional<SInt32> ReadLong(const AERecord* record, AEKeyword key)
{
    DescType type = 0;
    Size size = 0;
    SInt32 value = 0;
    if (AEGetKeyPtr(record, key, typeWildCard, &type, &value, sizeof value, &size) != noErr) {
        return std::nullopt;
    }
    EXPECT_EQ(type, static_cast<DescType>(typeSInt32));
    EXPECT_EQ(size, static_cast<Size>(sizeof value));
    return value;
}

void ReadName(const AERecord* record, MenuEntry& entry)
{
    DescType type = 0;
    Size size = 0;
    if (AESizeOfKeyDesc(record, keyAEName, &type, &size) != noErr) {
        ADD_FAILURE() << "a record without a name";
        return;
    }
    entry.nameType = type;
    std::vector<char> bytes(static_cast<size_t>(size) + 1);
    AEGetKeyPtr(record, keyAEName, typeWildCard, &type, bytes.data(), size, &size);
    if (type == typeCFStringRef) {
        EXPECT_EQ(size, static_cast<Size>(sizeof(CFStringRef)));
        CFStringRef name = nullptr;
        std::memcpy(&name, bytes.data(), sizeof name);
        entry.name = texttest::TextOf(name);
        entry.units = texttest::UnitsOf(name);
        CFRelease(name);
    } else if (type == typeUnicodeText) {
        EXPECT_EQ(size % 2, 0);
        entry.units.assign(reinterpret_cast<const char16_t*>(bytes.data()), static_cast<size_t>(size) / 2);
        entry.name = texttest::TakeText(texttest::CreateString(entry.units));
    } else {
        entry.name.assign(bytes.data(), static_cast<size_t>(size));
    }
}

}  // namespace

std::vector<MenuEntry> ReadMenu(const AEDescList* list)
{
    std::vector<MenuEntry> entries;
    long count = 0;
    if (AECountItems(list, &count) != noErr) {
        return entries;
    }
    for (long index = 1; index <= count; ++index) {
        AEDesc record = {typeNull, nullptr};
        AEKeyword key = 0;
        if (AEGetNthDesc(list, index, typeWildCard, &key, &record) != noErr) {
            ADD_FAILURE() << "item " << index << " cannot be read";
            continue;
        }
        EXPECT_EQ(record.descriptorType, static_cast<DescType>(typeAERecord));
        MenuEntry entry;
        ReadName(&record, entry);
        AEDesc submenu = {typeNull, nullptr};
        if (AEGetKeyDesc(&record, keyContextualMenuSubmenu, typeWildCard, &submenu) == noErr) {
            entry.isSubmenu = true;
            EXPECT_EQ(submenu.descriptorType, static_cast<DescType>(typeAEList));
            entry.items = ReadMenu(&submenu);
            AEDisposeDesc(&submenu);
        }
        entry.command = ReadLong(&record, keyContextualMenuCommandID);
        entry.attributes = ReadLong(&record, keyContextualMenuAttributes);
        entry.modifiers = ReadLong(&record, keyContextualMenuModifiers);
        AEDisposeDesc(&record);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string Outline(const std::vector<MenuEntry>& entries)
{
    std::string text;
    for (const MenuEntry& entry : entries) {
        if (!text.empty()) {
            text += ',';
        }
        text += entry.name;
        if (entry.isSubmenu) {
            text += '{' + Outline(entry.items) + '}';
        }
    }
    return text;
}

const MenuEntry* FindEntry(const std::vector<MenuEntry>& entries, const std::string& name)
{
    for (const MenuEntry& entry : entries) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

ScopedCommandList::ScopedCommandList()
{
    mList = {typeNull, nullptr};
    EXPECT_EQ(AECreateList(nullptr, 0, false, &mList), noErr);
}

ScopedCommandList::~ScopedCommandList()
{
    if (!mRead) {
        ReadMenu(&mList);
    }
    AEDisposeDesc(&mList);
}

long ScopedCommandList::Count() const
{
    long count = 0;
    AECountItems(&mList, &count);
    return count;
}

std::vector<MenuEntry> ScopedCommandList::Read()
{
    EXPECT_FALSE(mRead) << "a command list is read once: its names are released as they are read";
    mRead = true;
    return ReadMenu(&mList);
}

}  // namespace menutest
