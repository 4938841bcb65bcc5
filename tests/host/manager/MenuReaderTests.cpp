// What the host reads back from a command list: names in every encoding a plug-in may use, the
// optional keys, submenus at any depth, and the release of every 'cfst' name reference.
#include "manager/MenuReader.h"

#include "host/support/MenuRecordBuilder.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

namespace {

using cmhost::MenuItem;
using cmhost::ReadMenuItems;
using cmhost::ScopedAEDesc;
using hosttest::MenuRecordBuilder;
using hosttest::NewList;

TEST(MenuReader, ReadsNamesInEachEncodingAndReleasesStringNames)
{
    ScopedAEDesc list = NewList();
    long liveBefore = PlatformLiveObjectCount();
    MenuRecordBuilder().CFStringName("Caf\xC3\xA9 \xE2\x82\xAC").Command(101).AppendTo(list.Mutable());
    // "Añ" then U+1F600 as a surrogate pair.
    MenuRecordBuilder().UnicodeName(u"A\u00F1\U0001F600").Command(102).AppendTo(list.Mutable());
    // Mac OS Roman: 0x8E is e-acute, 0xDB the euro sign.
    MenuRecordBuilder().CharName("\x8E\xDB").Command(103).AppendTo(list.Mutable());
    EXPECT_EQ(PlatformLiveObjectCount(), liveBefore + 1) << "the 'cfst' name is one live string";

    std::vector<MenuItem> items = ReadMenuItems(list.Get());
    EXPECT_EQ(PlatformLiveObjectCount(), liveBefore) << "the reader releases the name it was handed";

    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].nameType, static_cast<DescType>(typeCFStringRef));
    EXPECT_EQ(items[0].name, "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(items[1].nameType, static_cast<DescType>(typeUnicodeText));
    EXPECT_EQ(items[1].name, "A\xC3\xB1\xF0\x9F\x98\x80");
    EXPECT_EQ(items[2].nameType, static_cast<DescType>(typeChar));
    EXPECT_EQ(items[2].name, "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(items[0].command, 101);
    EXPECT_EQ(items[2].command, 103);
    EXPECT_FALSE(items[0].isSubmenu);
}

TEST(MenuReader, OptionalKeysArePresentOnlyWhenWritten)
{
    ScopedAEDesc list = NewList();
    MenuRecordBuilder().CFStringName("Plain").Command(200).AppendTo(list.Mutable());
    MenuRecordBuilder()
        .CFStringName("- Plain")
        .Command(2200)
        .Long(keyContextualMenuAttributes, kMenuItemAttrDynamic | kMenuItemAttrIgnoreMeta)
        .Long(keyContextualMenuModifiers, kMenuOptionModifier)
        .AppendTo(list.Mutable());
    // A plug-in that writes 0 explicitly is shown doing so.
    MenuRecordBuilder().CFStringName("Zero").Command(7).Long(keyContextualMenuAttributes, 0).AppendTo(list.Mutable());

    std::vector<MenuItem> items = ReadMenuItems(list.Get());
    ASSERT_EQ(items.size(), 3u);
    EXPECT_FALSE(items[0].attributes.has_value());
    EXPECT_FALSE(items[0].modifiers.has_value());
    EXPECT_EQ(items[1].attributes, 264);
    EXPECT_EQ(items[1].modifiers, 2);
    EXPECT_EQ(items[2].attributes, 0);
    EXPECT_FALSE(items[2].modifiers.has_value());
}

TEST(MenuReader, SubmenusNestToAnyDepthAndTheirNamesAreReleased)
{
    constexpr int kDepth = 40;
    long liveBefore = PlatformLiveObjectCount();
    ScopedAEDesc level = NewList();
    MenuRecordBuilder().CFStringName("Leaf").Command(1).AppendTo(level.Mutable());
    for (int depth = kDepth; depth > 0; --depth) {
        ScopedAEDesc outer = NewList();
        MenuRecordBuilder()
            .UnicodeName(u"Level " + std::u16string(1, static_cast<char16_t>(u'A' + depth % 26)))
            .Submenu(level.Get())
            .AppendTo(outer.Mutable());
        MenuRecordBuilder().CFStringName("Sibling").Command(depth + 1000).AppendTo(outer.Mutable());
        level = std::move(outer);
    }

    std::vector<MenuItem> items = ReadMenuItems(level.Get());
    EXPECT_EQ(PlatformLiveObjectCount(), liveBefore) << "every name at every depth is released";

    const std::vector<MenuItem>* current = &items;
    for (int depth = 1; depth <= kDepth; ++depth) {
        ASSERT_EQ(current->size(), 2u) << "at depth " << depth;
        const MenuItem& submenu = (*current)[0];
        EXPECT_TRUE(submenu.isSubmenu);
        EXPECT_FALSE(submenu.command.has_value());
        EXPECT_EQ((*current)[1].command, depth + 1000);
        EXPECT_EQ((*current)[1].name, "Sibling");
        current = &submenu.submenu;
    }
    ASSERT_EQ(current->size(), 1u);
    EXPECT_EQ((*current)[0].name, "Leaf");
}

TEST(MenuReader, DamagedRecordsDoNotStopTheWalk)
{
    ScopedAEDesc list = NewList();
    long liveBefore = PlatformLiveObjectCount();
    const char bogus[] = "????";
    MenuRecordBuilder().RawName('bogu', bogus, 4).Command(1).AppendTo(list.Mutable());
    // A string reference cut to four bytes cannot be a reference on this platform.
    const UInt32 shortReference = 0x12345678;
    MenuRecordBuilder().RawName(typeCFStringRef, &shortReference, sizeof shortReference).AppendTo(list.Mutable());
    // Half a UTF-16 unit.
    MenuRecordBuilder().RawName(typeUnicodeText, "A", 1).Command(3).AppendTo(list.Mutable());
    // Not a record at all.
    SInt32 loose = 5;
    AEPutPtr(list.Mutable(), 0, typeSInt32, &loose, sizeof loose);
    MenuRecordBuilder().CFStringName("After").Command(4).AppendTo(list.Mutable());

    std::vector<MenuItem> items = ReadMenuItems(list.Get());
    EXPECT_EQ(PlatformLiveObjectCount(), liveBefore) << "the name after the damage is still released";

    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].nameType, static_cast<DescType>('bogu'));
    EXPECT_FALSE(items[0].name.has_value());
    EXPECT_EQ(items[0].command, 1);
    EXPECT_EQ(items[1].nameType, static_cast<DescType>(typeCFStringRef));
    EXPECT_FALSE(items[1].name.has_value());
    EXPECT_FALSE(items[2].name.has_value());
    EXPECT_EQ(items[3].nameType, 0u);
    EXPECT_FALSE(items[3].command.has_value());
    EXPECT_EQ(items[4].name, "After");
}

}  // namespace
