// The menu record writers, read back as a host reads them, and the file-object list walk. The
// string-reference records every menu is made of are read back by the menu tests, whose leak check
// catches a reference too many or too few.
#include "support/CMUtilsRecords.h"
#include "support/CFObj.h"

#include "plugin/menu/MenuRecordReader.h"
#include "plugin/support/TextTesting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using menutest::MenuEntry;
using menutest::ScopedCommandList;

using texttest::CreateString;

TEST(CMUtilsRecords, RecordThatCannotBeAppendedTakesNoReference)
{
    // A record refuses appended items: the writer fails and the name keeps its count.
    AERecord notAList = {typeNull, nullptr};
    ASSERT_EQ(AECreateList(nullptr, 0, true, &notAList), noErr);
    CFObj<CFStringRef> name(CreateString("Lost"));
    CFIndex before = CFGetRetainCount(name.Get());
    EXPECT_NE(CMUtils::AddCommandToAEDescList(name.Get(), 200, true, &notAList, 0, 0), noErr);
    EXPECT_EQ(CFGetRetainCount(name.Get()), before);
    AEDisposeDesc(&notAList);
}

// The menus' own names are read back by the menu tests; here the names they never use: a mutable
// string, which does not hand out its storage, and an empty one, which still names an item.
TEST(CMUtilsRecords, MutableAndEmptyNamesAreWrittenAsUnicodeText)
{
    ScopedCommandList list;
    CFObj<CFMutableStringRef> mutableName(CFStringCreateMutableCopy(kCFAllocatorDefault, 0, CFSTR("Work")));
    ASSERT_EQ(CMUtils::AddCommandToAEDescList_Compatible(mutableName.Get(), 101, list.Get(), 0, kMenuOptionModifier),
              noErr);
    ASSERT_EQ(CMUtils::AddCommandToAEDescList(CFSTR(""), 102, false, list.Get(), 0, 0), noErr);
    std::vector<MenuEntry> menu = list.Read();
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].nameType, static_cast<DescType>(typeUnicodeText));
    EXPECT_EQ(menu[0].name, "Work");
    EXPECT_EQ(menu[0].modifiers, kMenuOptionModifier);
    EXPECT_EQ(menu[1].nameType, static_cast<DescType>(typeUnicodeText));
    EXPECT_TRUE(menu[1].units.empty());
    EXPECT_EQ(menu[1].command, 102);
}

TEST(CMUtilsRecords, LengthPrefixedNameIsWrittenAsItsBytes)
{
    ScopedCommandList list;
    const unsigned char name[] = "\x05Hello, and more bytes after the length";
    ASSERT_EQ(CMUtils::AddCommandToAEDescList(name, 7, list.Get(), 8, 2), noErr);
    std::vector<MenuEntry> menu = list.Read();
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].nameType, static_cast<DescType>(typeChar));
    EXPECT_EQ(menu[0].name, "Hello");
    EXPECT_EQ(menu[0].attributes, 8);
    EXPECT_EQ(menu[0].modifiers, 2);
}

TEST(CMUtilsRecords, MissingArgumentsAreRefusedAndAddNothing)
{
    ScopedCommandList list;
    CFObj<CFStringRef> name(CreateString("Name"));
    const UniChar units[] = {'a'};
    const unsigned char pascal[] = "\x01x";
    EXPECT_EQ(CMUtils::AddCommandToAEDescList(static_cast<CFStringRef>(nullptr), 1, true, list.Get(), 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddCommandToAEDescList(static_cast<CFStringRef>(nullptr), 1, false, list.Get(), 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddCommandToAEDescList(name.Get(), 1, true, nullptr, 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddCommandToAEDescList(name.Get(), 1, false, nullptr, 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddCommandToAEDescList_Compatible(nullptr, 1, list.Get(), 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddCommandToAEDescList(static_cast<const UniChar*>(nullptr), 1, 1, list.Get(), 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddCommandToAEDescList(units, 1, 1, nullptr, 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddCommandToAEDescList(static_cast<ConstStr255Param>(nullptr), 1, list.Get(), 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddCommandToAEDescList(pascal, 1, nullptr, 0, 0), paramErr);
    EXPECT_EQ(CMUtils::AddSubmenu(list.Get(), static_cast<CFStringRef>(nullptr), list.Get()), paramErr);
    EXPECT_EQ(CMUtils::AddSubmenu(nullptr, units, 1, list.Get()), paramErr);
    EXPECT_EQ(CMUtils::AddSubmenu(list.Get(), static_cast<const UniChar*>(nullptr), 1, list.Get()), paramErr);
    // No string-list resources exist here.
    EXPECT_EQ(CMUtils::AddResCommand(list.Get(), 128, 1, 1, 0, 0), resNotFound);
    EXPECT_EQ(CMUtils::AddSubmenu(list.Get(), static_cast<SInt16>(128), static_cast<SInt16>(1), list.Get()),
              resNotFound);
    EXPECT_EQ(list.Count(), 0);
}

TEST(CMUtilsRecords, UndeliveredNamesAreGivenBackAllTheWayDown)
{
    AEDescList outer = {typeNull, nullptr};
    AEDescList inner = {typeNull, nullptr};
    ASSERT_EQ(AECreateList(nullptr, 0, false, &outer), noErr);
    ASSERT_EQ(AECreateList(nullptr, 0, false, &inner), noErr);
    CFObj<CFStringRef> top(CreateString("Top"));
    CFObj<CFStringRef> nested(CreateString("Nested"));
    CFIndex topCount = CFGetRetainCount(top.Get());
    CFIndex nestedCount = CFGetRetainCount(nested.Get());
    ASSERT_EQ(CMUtils::AddCommandToAEDescList(nested.Get(), 1, true, &inner, 0, 0), noErr);
    ASSERT_EQ(CMUtils::AddSubmenu(&outer, CFSTR("Sub"), &inner), noErr);
    ASSERT_EQ(CMUtils::AddCommandToAEDescList(top.Get(), 2, true, &outer, 0, 0), noErr);
    ASSERT_EQ(CMUtils::AddCommandToAEDescList(CFSTR("Plain"), 3, false, &outer, 0, 0), noErr);
    AEDisposeDesc(&inner);

    CMUtils::ReleaseCommandNames(&outer);
    EXPECT_EQ(CFGetRetainCount(top.Get()), topCount);
    EXPECT_EQ(CFGetRetainCount(nested.Get()), nestedCount);
    AEDisposeDesc(&outer);
}

FSRef MakeRef(UInt8 fill)
{
    FSRef ref;
    std::memset(&ref, fill, sizeof ref);
    return ref;
}

TEST(CMUtilsRecords, FileReferenceIsReadOnlyFromAWholeOne)
{
    static_assert(sizeof(FSRef) == 80);
    FSRef stored = MakeRef(0x5A);
    FSRef out = MakeRef(0);
    AEDesc desc = {typeNull, nullptr};

    ASSERT_EQ(AECreateDesc(typeFSRef, &stored, sizeof stored, &desc), noErr);
    EXPECT_EQ(CMUtils::GetFSRef(desc, out), noErr);
    EXPECT_EQ(std::memcmp(&out, &stored, sizeof out), 0);
    AEDisposeDesc(&desc);

    ASSERT_EQ(AECreateDesc(typeFSRef, &stored, sizeof stored - 1, &desc), noErr);
    EXPECT_EQ(CMUtils::GetFSRef(desc, out), errAECorruptData);
    AEDisposeDesc(&desc);

    ASSERT_EQ(AECreateDesc(typeChar, "/tmp", 4, &desc), noErr);
    EXPECT_EQ(CMUtils::GetFSRef(desc, out), errAECoercionFail);
    AEDisposeDesc(&desc);

    AEDesc nothing = {typeNull, nullptr};
    EXPECT_EQ(CMUtils::GetFSRef(nothing, out), fnfErr);
    AEDesc noData = {typeFSRef, nullptr};
    EXPECT_EQ(CMUtils::GetFSRef(noData, out), fnfErr);
}

struct WalkLog {
    std::vector<UInt8> seen;           // the fill byte of each reference handed to the callback
    std::vector<SInt32> answers;       // what the callback answers, in turn
};

SInt32 LogObject(const FSRef* ref, void* context)
{
    auto* log = static_cast<WalkLog*>(context);
    SInt32 answer = log->seen.size() < log->answers.size() ? log->answers[log->seen.size()] : noErr;
    log->seen.push_back(ref->hidden[0]);
    return answer;
}

class ObjectList {
public:
    ObjectList() { AECreateList(nullptr, 0, false, &mList); }
    ~ObjectList() { AEDisposeDesc(&mList); }
    void AddRef(UInt8 fill)
    {
        FSRef ref = MakeRef(fill);
        AEPutPtr(&mList, 0, typeFSRef, &ref, sizeof ref);
    }
    void AddText() { AEPutPtr(&mList, 0, typeChar, "x", 1); }
    const AEDescList* Get() const { return &mList; }

private:
    AEDescList mList = {typeNull, nullptr};
};

// Which references the callback sees, what the walk answers and the flags it leaves: non-file items
// are skipped, a failure is noted (a stale report in the top byte is cleared first), a cancel ends
// the walk, and so does the first success when asked.
TEST(CMUtilsRecords, ObjectWalkVisitsFilesUntilCancelledOrTheFirstSuccessWhenAsked)
{
    const UInt32 several = CMUtils::kProcessObjectListHasSeveralItems;
    const UInt32 failed = CMUtils::kProcessObjectSomeCallbackFailed;
    const UInt32 stopAtSuccess = CMUtils::kProcessObjectStopAtFirstSuccess;
    const struct {
        std::vector<int> items;  // the fill of a file reference, or 0 for a text item
        std::vector<SInt32> answers;
        UInt32 flags;
        Boolean result;
        std::vector<UInt8> seen;
        UInt32 flagsAfter;
    } cases[] = {
        {{1, 0, 2, 3}, {noErr, ioErr, noErr}, 0xFF000042, true, {1, 2, 3}, 0x42 | several | failed},
        {{1, 2, 3}, {ioErr, userCanceledErr, noErr}, 0, false, {1, 2}, several | failed},
        {{1, 2, 3}, {ioErr, noErr, noErr}, stopAtSuccess, true, {1, 2}, stopAtSuccess | several | failed},
        {{9}, {}, 0x01000000, true, {9}, 0},  // one item is not several
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seen.size());
        ObjectList list;
        for (int item : c.items) {
            if (item == 0) {
                list.AddText();
            } else {
                list.AddRef(static_cast<UInt8>(item));
            }
        }
        WalkLog log;
        log.answers = c.answers;
        UInt32 flags = c.flags;
        EXPECT_EQ(CMUtils::ProcessObjectList(list.Get(), flags, &LogObject, &log), c.result);
        EXPECT_EQ(log.seen, c.seen);
        EXPECT_EQ(flags, c.flagsAfter);
    }

    ObjectList single;
    single.AddRef(9);
    WalkLog log;
    UInt32 flags = 0x01000000;
    EXPECT_FALSE(CMUtils::ProcessObjectList(nullptr, flags, &LogObject, &log));
    EXPECT_EQ(flags, 0u);
    EXPECT_FALSE(CMUtils::ProcessObjectList(single.Get(), flags, nullptr, &log));
    EXPECT_TRUE(log.seen.empty());
}

}  // namespace
