// Descriptors, lists and records: copies that are really copies, index and key rules, and the
// refusals of calls made on the wrong kind of descriptor.
#include <Carbon/Carbon.h>

#include "ScopedDesc.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

long CountOf(const AEDesc* list)
{
    long count = -1;
    EXPECT_EQ(AECountItems(list, &count), noErr);
    return count;
}

TEST(AELists, IndexesOutsideOneToCountAreRefusedAndZeroOrCountPlusOneAppend)
{
    ScopedDesc list(ScopedDesc::kList);
    EXPECT_EQ(AEPutPtr(&list, 2, typeChar, "x", 1), errAEBadListItem);  // count + 2 of an empty list
    EXPECT_EQ(AEPutPtr(&list, -1, typeChar, "x", 1), errAEBadListItem);
    ASSERT_EQ(AEPutPtr(&list, 1, typeChar, "a", 1), noErr);  // count + 1
    ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "b", 1), noErr);
    ASSERT_EQ(AEPutPtr(&list, 3, typeChar, "cc", 2), noErr);
    EXPECT_EQ(AEPutPtr(&list, 5, typeChar, "x", 1), errAEBadListItem);
    ASSERT_EQ(AEPutPtr(&list, 2, typeChar, "B", 1), noErr);  // replaces
    ASSERT_EQ(CountOf(&list), 3);

    for (long index : {0L, 4L, -1L, LONG_MAX}) {
        ScopedDesc item;
        EXPECT_EQ(AEGetNthDesc(&list, index, typeWildCard, nullptr, &item), errAEBadListItem) << index;
        EXPECT_EQ(item.type(), typeNull);
        EXPECT_EQ(AEDeleteItem(&list, index), errAEBadListItem);
    }
    ScopedDesc second;
    ASSERT_EQ(AEGetNthDesc(&list, 2, typeWildCard, nullptr, &second), noErr);
    EXPECT_EQ(second.bytes(), Bytes("B"));

    // Deleting the first item moves the others down.
    ASSERT_EQ(AEDeleteItem(&list, 1), noErr);
    ScopedDesc last;
    ASSERT_EQ(AEGetNthDesc(&list, 2, typeWildCard, nullptr, &last), noErr);
    EXPECT_EQ(last.type(), typeChar);
    EXPECT_EQ(last.bytes().size(), 2u);
    EXPECT_EQ(CountOf(&list), 2);
}

TEST(AERecords, ByteReadsStopAtTheBufferButReportTheWholeSize)
{
    ScopedDesc record(ScopedDesc::kRecord);
    ASSERT_EQ(AEPutKeyPtr(&record, 'text', typeChar, "abcdef", 6), noErr);
    char buffer[8] = {'-', '-', '-', '-', '-', '-', '-', '-'};
    DescType type = 0;
    Size size = 0;
    ASSERT_EQ(AEGetKeyPtr(&record, 'text', typeChar, &type, buffer, 3, &size), noErr);
    EXPECT_EQ(std::string(buffer, 8), "abc-----");
    EXPECT_EQ(size, 6);
    ASSERT_EQ(AEGetKeyPtr(&record, 'text', typeChar, &type, nullptr, 0, &size), noErr);
    EXPECT_EQ(size, 6);
    EXPECT_EQ(AEGetKeyPtr(&record, 'text', typeChar, &type, nullptr, 4, &size), paramErr);
    EXPECT_EQ(AEGetKeyPtr(&record, 'text', 'long', &type, buffer, 8, &size), errAECoercionFail);
    EXPECT_EQ(size, 0);

    // A nested list has no bytes to hand out.
    ScopedDesc nested(ScopedDesc::kList);
    ASSERT_EQ(AEPutKeyDesc(&record, 'list', &nested), noErr);
    EXPECT_EQ(AEGetKeyPtr(&record, 'list', typeWildCard, &type, buffer, 8, &size), errAEWrongDataType);
}

TEST(AERecords, PuttingAnExistingKeyReplacesItInPlace)
{
    ScopedDesc record(ScopedDesc::kRecord);
    EXPECT_EQ(record.type(), typeAERecord);
    SInt32 id = 100;
    ASSERT_EQ(AEPutKeyPtr(&record, keyAEName, typeChar, "old", 3), noErr);
    ASSERT_EQ(AEPutKeyPtr(&record, keyContextualMenuCommandID, typeSInt32, &id, 4), noErr);
    ASSERT_EQ(AEPutKeyPtr(&record, keyAEName, typeUnicodeText, u"new", 6), noErr);
    ASSERT_EQ(CountOf(&record), 2);

    // As a list, a record gives its items with their keys, in the order first put.
    ScopedDesc first;
    AEKeyword key = 0;
    ASSERT_EQ(AEGetNthDesc(&record, 1, typeWildCard, &key, &first), noErr);
    EXPECT_EQ(key, AEKeyword(keyAEName));
    EXPECT_EQ(first.type(), typeUnicodeText);
    EXPECT_EQ(first.bytes().size(), 6u);
    ScopedDesc second;
    ASSERT_EQ(AEGetNthDesc(&record, 2, typeWildCard, &key, &second), noErr);
    EXPECT_EQ(key, AEKeyword(keyContextualMenuCommandID));
    EXPECT_EQ(second.bytes(), Bytes(std::string(reinterpret_cast<const char*>(&id), 4)));

    // Replacing by index keeps the key; appending by index would leave an item without one.
    ASSERT_EQ(AEPutPtr(&record, 1, typeChar, "by index", 8), noErr);
    ScopedDesc name;
    ASSERT_EQ(AEGetKeyDesc(&record, keyAEName, typeChar, &name), noErr);
    EXPECT_EQ(name.bytes(), Bytes("by index"));
    EXPECT_EQ(AEPutPtr(&record, 0, typeChar, "x", 1), errAEWrongDataType);
    EXPECT_EQ(CountOf(&record), 2);
}

// A list or record put into itself holds a snapshot of what it held, and values outlive their
// sources.
TEST(AEDescriptors, ValuesAreCopiedSoAListOrRecordCanHoldItselfAndOutliveItsSources)
{
    ScopedDesc record(ScopedDesc::kRecord);
    {
        ScopedDesc value;
        ASSERT_EQ(AECreateDesc(typeChar, "v", 1, &value), noErr);
        ASSERT_EQ(AEPutKeyDesc(&record, 'valu', &value), noErr);
    }
    ASSERT_EQ(AEPutKeyDesc(&record, 'self', &record), noErr);
    ScopedDesc self;
    ASSERT_EQ(AEGetKeyDesc(&record, 'self', typeAERecord, &self), noErr);
    EXPECT_EQ(CountOf(&self), 1);
    ScopedDesc value;
    ASSERT_EQ(AEGetKeyDesc(&self, 'valu', typeChar, &value), noErr);
    EXPECT_EQ(value.bytes(), Bytes("v"));

    ScopedDesc list(ScopedDesc::kList);
    ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "a", 1), noErr);
    ASSERT_EQ(AEPutDesc(&list, 0, &list), noErr);
    ASSERT_EQ(AEPutDesc(&list, 1, &list), noErr);  // replace item 1 by the list as it is now
    ASSERT_EQ(CountOf(&list), 2);
    ScopedDesc first;
    ASSERT_EQ(AEGetNthDesc(&list, 1, typeWildCard, nullptr, &first), noErr);
    ASSERT_EQ(CountOf(&first), 2);
    ScopedDesc firstOfFirst;
    ASSERT_EQ(AEGetNthDesc(&first, 1, typeWildCard, nullptr, &firstOfFirst), noErr);
    EXPECT_EQ(firstOfFirst.bytes(), Bytes("a"));
}

TEST(AEDescriptors, CallsNeedingAListRefuseOtherDescriptorsAndNullPointers)
{
    ScopedDesc text;
    ASSERT_EQ(AECreateDesc(typeChar, "abc", 3, &text), noErr);
    ScopedDesc nothing;
    ScopedDesc list(ScopedDesc::kList);
    long count = 5;
    for (AEDesc* notAList : {&text, &nothing}) {
        EXPECT_EQ(AECountItems(notAList, &count), errAEWrongDataType);
        EXPECT_EQ(AEPutPtr(notAList, 0, typeChar, "x", 1), errAEWrongDataType);
        EXPECT_EQ(AEDeleteItem(notAList, 1), errAEWrongDataType);
        EXPECT_EQ(AEPutKeyPtr(notAList, 'key ', typeChar, "x", 1), errAEWrongDataType);
    }
    // A plain list has no keys.
    EXPECT_EQ(AEPutKeyPtr(&list, 'key ', typeChar, "x", 1), errAEWrongDataType);
    ScopedDesc out;
    EXPECT_EQ(AEGetKeyDesc(&list, 'key ', typeWildCard, &out), errAEWrongDataType);

    EXPECT_EQ(AECountItems(nullptr, &count), paramErr);
    EXPECT_EQ(AECountItems(&list, nullptr), paramErr);
    EXPECT_EQ(AEPutDesc(&list, 0, nullptr), paramErr);
    EXPECT_EQ(AEGetNthDesc(&list, 1, typeWildCard, nullptr, nullptr), paramErr);
    EXPECT_EQ(AECreateList(nullptr, 0, false, nullptr), paramErr);
    EXPECT_EQ(CountOf(&list), 0);

    // A list's data is items, not bytes.
    EXPECT_EQ(AEGetDescDataSize(&list), 0);
    char buffer[4];
    EXPECT_EQ(AEGetDescData(&list, buffer, 4), errAEWrongDataType);
    // Nor can bytes be passed off as a list.
    ScopedDesc fake;
    EXPECT_EQ(AECreateDesc(typeAEList, "abcd", 4, &fake), errAEWrongDataType);
    EXPECT_EQ(fake.type(), typeNull);
}

TEST(AEDescriptors, CreationCopiesTheBytesAndReadsStopAtTheBuffer)
{
    char source[] = "hello";
    ScopedDesc desc;
    ASSERT_EQ(AECreateDesc(typeChar, source, 5, &desc), noErr);
    source[0] = 'J';
    EXPECT_EQ(desc.type(), typeChar);
    EXPECT_EQ(desc.bytes(), Bytes("hello"));
    char small[3] = {'-', '-', '-'};
    ASSERT_EQ(AEGetDescData(&desc, small, 2), noErr);
    EXPECT_EQ(std::string(small, 3), "he-");
    EXPECT_EQ(AEGetDescData(&desc, nullptr, 2), paramErr);
    EXPECT_EQ(AEGetDescData(&desc, small, -1), paramErr);

    // Small descriptors keep their bytes in place, larger ones apart: both read back whole.
    const std::string text = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (size_t size : {15u, 16u, 17u, 36u}) {
        ScopedDesc sized;
        ASSERT_EQ(AECreateDesc(typeChar, text.data(), static_cast<Size>(size), &sized), noErr);
        EXPECT_EQ(sized.bytes(), Bytes(text.substr(0, size)));
    }

    // Zero bytes still make a descriptor with a data store; only typeNull has none.
    ScopedDesc empty;
    ASSERT_EQ(AECreateDesc(typeChar, nullptr, 0, &empty), noErr);
    EXPECT_NE(empty.get().dataHandle, nullptr);
    EXPECT_EQ(AEGetDescDataSize(&empty), 0);
    ScopedDesc null;
    ASSERT_EQ(AECreateDesc(typeNull, nullptr, 0, &null), noErr);
    EXPECT_EQ(null.get().dataHandle, nullptr);

    ScopedDesc bad;
    EXPECT_EQ(AECreateDesc(typeChar, nullptr, 3, &bad), paramErr);
    EXPECT_EQ(AECreateDesc(typeChar, source, -1, &bad), paramErr);
    EXPECT_EQ(bad.type(), typeNull);
    EXPECT_EQ(bad.get().dataHandle, nullptr);
    EXPECT_EQ(AECreateDesc(typeChar, source, 1, nullptr), paramErr);
}

TEST(AEDescriptors, DuplicatesAreDeepEvenOntoThemselves)
{
    ScopedDesc list(ScopedDesc::kList);
    ScopedDesc nested(ScopedDesc::kList);
    ASSERT_EQ(AEPutPtr(&nested, 0, typeChar, "deep", 4), noErr);
    ASSERT_EQ(AEPutDesc(&list, 0, &nested), noErr);

    ScopedDesc copy;
    ASSERT_EQ(AEDuplicateDesc(&list, &copy), noErr);
    // Emptying the original's nested list must not reach the copy's.
    ScopedDesc originalNested;
    ASSERT_EQ(AEGetNthDesc(&list, 1, typeWildCard, nullptr, &originalNested), noErr);
    ASSERT_EQ(AEDeleteItem(&list, 1), noErr);
    ASSERT_EQ(CountOf(&list), 0);
    ScopedDesc copiedNested;
    ASSERT_EQ(AEGetNthDesc(&copy, 1, typeAEList, nullptr, &copiedNested), noErr);
    EXPECT_EQ(CountOf(&copiedNested), 1);

    ASSERT_EQ(AEDuplicateDesc(&copy, &copy), noErr);
    EXPECT_EQ(copy.type(), typeAEList);
    EXPECT_EQ(CountOf(&copy), 1);
    EXPECT_EQ(AEDuplicateDesc(nullptr, &copy), paramErr);
    EXPECT_EQ(AEDuplicateDesc(&copy, nullptr), paramErr);
}

// Copies share their stores until one side changes: a change to a list, a record or an item taken
// out of one must never show through any other copy.
TEST(AEDescriptors, ChangesToSharedCopiesStayWithTheDescriptorChanged)
{
    ScopedDesc inner(ScopedDesc::kList);
    SInt32 one = 1;
    ASSERT_EQ(AEPutPtr(&inner, 0, typeSInt32, &one, sizeof(one)), noErr);
    ScopedDesc outer(ScopedDesc::kRecord);
    ASSERT_EQ(AEPutKeyDesc(&outer, keyContextualMenuSubmenu, &inner), noErr);

    ScopedDesc duplicate;
    ASSERT_EQ(AEDuplicateDesc(&outer, &duplicate), noErr);
    ScopedDesc takenOut;
    ASSERT_EQ(AEGetKeyDesc(&outer, keyContextualMenuSubmenu, typeWildCard, &takenOut), noErr);

    // Change the source list after it was put into the record: the record keeps one item.
    ASSERT_EQ(AEPutPtr(&inner, 0, typeSInt32, &one, sizeof(one)), noErr);
    EXPECT_EQ(CountOf(&inner), 2);
    EXPECT_EQ(CountOf(&takenOut), 1);

    // Change the item taken out: neither record sees it.
    ASSERT_EQ(AEDeleteItem(&takenOut, 1), noErr);
    EXPECT_EQ(CountOf(&takenOut), 0);
    for (const AEDesc* record : {static_cast<const AEDesc*>(&outer), static_cast<const AEDesc*>(&duplicate)}) {
        ScopedDesc submenu;
        ASSERT_EQ(AEGetKeyDesc(record, keyContextualMenuSubmenu, typeWildCard, &submenu), noErr);
        EXPECT_EQ(CountOf(&submenu), 1);
    }
}

}  // namespace
