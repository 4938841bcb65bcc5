// The dictionary list kept in the preferences: loading whatever a preferences file may hold, the
// modified flag that decides whether it is written back, typed access, and the two moves.
#include "support/CFDictArray.h"
#include "support/CFObj.h"

#include "plugin/support/TextTesting.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const CFStringRef kAppID = CFSTR("org.stashwell.tests.dictarray");
const CFStringRef kKey = CFSTR("LIST");
const CFStringRef kName = CFSTR("NAME");

using texttest::TextOf;

// A mutable record {NAME: name}; the caller owns it.
CFMutableDictionaryRef CreateRecord(const char* name)
{
    CFMutableDictionaryRef record =
        CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFObj<CFStringRef> text(texttest::CreateString(name));
    CFDictionarySetValue(record, kName, text.Get());
    return record;
}

void AddRecords(CFDictArray& list, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        CFObj<CFMutableDictionaryRef> record(CreateRecord(name));
        list.AddItem(record.Get());
    }
}

// The names of the records, in list order ("?" for a value that is not a record).
std::string Names(const CFDictArray& list)
{
    std::string names;
    for (SInt32 i = 0; i < list.GetCount(); ++i) {
        CFStringRef name = list.GetItemStringForKey(i, kName);
        names += name != nullptr ? TextOf(name) : "?";
    }
    return names;
}

// A list that starts unmodified, holding records named after the letters.
CFDictArray* CreateUnmodifiedList(const char* letters)
{
    CFObj<CFMutableArrayRef> array(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
    for (const char* p = letters; *p != '\0'; ++p) {
        char name[2] = {*p, '\0'};
        CFObj<CFMutableDictionaryRef> record(CreateRecord(name));
        CFArrayAppendValue(array.Get(), record.Get());
    }
    return new CFDictArray(array.Get(), true);
}

CFNumberRef CreateIndexNumber(CFIndex value)
{
    return CFNumberCreate(kCFAllocatorDefault, kCFNumberCFIndexType, &value);
}

class CFDictArrayTest : public testing::Test {
protected:
    // Stores value under kKey the way another process would have left it.
    void Store(CFPropertyListRef value)
    {
        CFPreferencesSetAppValue(kKey, value, kAppID);
        ASSERT_TRUE(CFPreferencesAppSynchronize(kAppID));
    }

    // What the list wrote under kKey (+1), or NULL.
    CFPropertyListRef CopyStored() { return CFPreferencesCopyAppValue(kKey, kAppID); }

    testsupport::ScopedStorageEnvironment mStorage;
};

TEST_F(CFDictArrayTest, UnusableStoredValuesLoadAsAnEmptyUnmodifiedList)
{
    CFObj<CFMutableDictionaryRef> notAList(CreateRecord("x"));
    std::vector<CFPropertyListRef> stored = {nullptr, notAList.Get(), CFSTR("a string")};
    for (CFPropertyListRef value : stored) {
        Store(value);
        CFDictArray list(kKey, kAppID, kCFPropertyListMutableContainers);
        EXPECT_EQ(list.GetCount(), 0);
        EXPECT_FALSE(list.IsModified());
        ASSERT_NE(list.GetMutableArray(), nullptr);

        // An empty list is still a list: saving it writes an empty array.
        list.SaveArrayToPrefs(kKey, kAppID);
        CFObjDel written(CopyStored());
        ASSERT_NE(written.Get(), nullptr);
        ASSERT_EQ(CFGetTypeID(written.Get()), CFArrayGetTypeID());
        EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(written.Get())), 0);
    }
    CFDictArray noKey(nullptr, kAppID, kCFPropertyListMutableContainers);
    CFDictArray noApp(kKey, nullptr, kCFPropertyListMutableContainers);
    EXPECT_EQ(noKey.GetCount(), 0);
    EXPECT_EQ(noApp.GetCount(), 0);
    EXPECT_NE(noKey.GetMutableArray(), nullptr);
}

TEST_F(CFDictArrayTest, ValuesThatAreNotRecordsKeepTheirPlaceButReadAsAbsent)
{
    CFObj<CFMutableArrayRef> array(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
    CFObj<CFMutableDictionaryRef> first(CreateRecord("a"));
    CFObj<CFMutableDictionaryRef> last(CreateRecord("c"));
    CFDictionarySetValue(last.Get(), CFSTR("SECURE"), kCFBooleanTrue);
    CFArrayAppendValue(array.Get(), first.Get());
    CFArrayAppendValue(array.Get(), CFSTR("stray"));
    CFArrayAppendValue(array.Get(), last.Get());
    Store(array.Get());

    CFDictArray list(kKey, kAppID, kCFPropertyListMutableContainers);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.FetchItemAt(1), nullptr);
    EXPECT_EQ(list.PeekItemAt(1), nullptr);
    EXPECT_EQ(list.GetItemStringForKey(1, kName), nullptr);
    EXPECT_EQ(list.GetItemBooleanForKey(1, CFSTR("SECURE"), 7), 7);
    EXPECT_EQ(list.GetItemBooleanForKey(2, CFSTR("SECURE"), 0), 1);
    EXPECT_EQ(Names(list), "a?c");
    EXPECT_FALSE(list.IsModified());

    // Loaded immutable, it is still a list that can change.
    CFDictArray immutable(kKey, kAppID, kCFPropertyListImmutable);
    AddRecords(immutable, {"d"});
    immutable.RemoveItemAt(0);
    EXPECT_EQ(Names(immutable), "?cd");
}

TEST(CFDictArray, ModifiedFlagFollowsEveryChangeAndOnlyChanges)
{
    {
        CFDictArray list;
        list.AddItem(nullptr);
        EXPECT_EQ(list.GetCount(), 0);
        EXPECT_FALSE(list.IsModified());
        AddRecords(list, {"a"});
        EXPECT_TRUE(list.IsModified());
    }
    {
        std::unique_ptr<CFDictArray> list(CreateUnmodifiedList("abc"));
        list->FetchItemAt(0);
        list->GetItemStringForKey(0, kName);
        list->MoveOneItem(7, 0);  // no such value: nothing moved, nothing changed
        list->SetItemAt(list->FetchItemAt(0), 3);
        EXPECT_FALSE(list->IsModified());
        list->RemoveItemAt(2);
        EXPECT_TRUE(list->IsModified());
    }
    {
        std::unique_ptr<CFDictArray> list(CreateUnmodifiedList("abc"));
        list->SetItemStringForKey(1, CFSTR("SUBMENU"), CFSTR("/Stashwell"));
        EXPECT_TRUE(list->IsModified());
    }
    {
        std::unique_ptr<CFDictArray> list(CreateUnmodifiedList("abc"));
        EXPECT_EQ(list->MoveOneItem(1, 1), 1);  // ends where it was, but counts as a change
        EXPECT_TRUE(list->IsModified());
        EXPECT_EQ(Names(*list), "abc");
    }
}

TEST(CFDictArray, NullStringRemovesTheKeyAndNumbersAreNotBooleans)
{
    std::unique_ptr<CFDictArray> list(CreateUnmodifiedList("a"));
    list->SetItemStringForKey(0, CFSTR("SUBMENU"), CFSTR("/Stashwell/Work"));
    EXPECT_EQ(TextOf(list->GetItemStringForKey(0, CFSTR("SUBMENU"))), "/Stashwell/Work");
    list->SetItemStringForKey(0, CFSTR("SUBMENU"), nullptr);
    EXPECT_FALSE(CFDictionaryContainsKey(list->FetchItemAt(0), CFSTR("SUBMENU")));

    CFObj<CFNumberRef> one(CreateIndexNumber(1));
    CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(list->FetchItemAt(0)), CFSTR("SECURE"), one.Get());
    EXPECT_EQ(list->GetItemBooleanForKey(0, CFSTR("SECURE"), 0), 0);
    EXPECT_EQ(list->GetItemStringForKey(0, CFSTR("SECURE")), nullptr);
    EXPECT_EQ(list->GetItemBooleanForKey(5, CFSTR("SECURE"), 1), 1);

    // No record there: the setters change nothing.
    list->SetItemBooleanForKey(5, CFSTR("SECURE"), 1);
    list->SetItemStringForKey(-1, kName, CFSTR("x"));
    EXPECT_EQ(list->GetCount(), 1);
}

TEST(CFDictArray, MoveOneItemFollowsTheBeforeRule)
{
    struct Case {
        SInt32 from, to;
        const char* result;
        SInt32 newIndex;
    } cases[] = {
        {0, 3, "bca", 2}, {2, 0, "cab", 0}, {1, 1, "abc", 1}, {1, 2, "abc", 1},
        {2, -5, "cab", 0}, {0, 1000, "bca", 2}, {0, 1, "abc", 0}, {0, 2, "bac", 1},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CFDictArray> list(CreateUnmodifiedList("abc"));
        EXPECT_EQ(list->MoveOneItem(c.from, c.to), c.newIndex) << c.from << " -> " << c.to;
        EXPECT_EQ(Names(*list), c.result) << c.from << " -> " << c.to;
    }
    std::unique_ptr<CFDictArray> list(CreateUnmodifiedList("abc"));
    EXPECT_EQ(list->MoveOneItem(3, 0), 0);
    EXPECT_EQ(list->MoveOneItem(-1, 0), 0);
    EXPECT_EQ(Names(*list), "abc");
    EXPECT_FALSE(list->IsModified());
}

// The listed values move as one block, in list order; entries that are no index of the list
// (here a string, for the unset ones) are skipped, and an index listed twice moves once.
TEST(CFDictArray, MoveItemsMovesTheListedValuesAsOneBlock)
{
    const struct {
        const char* letters;
        std::vector<std::optional<CFIndex>> indexes;
        SInt32 to;
        const char* result;
        SInt32 newIndex;
    } cases[] = {
        {"abcde", {0, 2}, 4, "bdace", 2},
        {"abcde", {std::nullopt, 3, 5, -1}, 0, "dabce", 0},
        {"abcde", {2, 0, 2}, 4, "bdcae", 2},
        {"abc", {0}, 50, "bca", 2},  // past the end: at the end
    };
    for (const auto& c : cases) {
        std::unique_ptr<CFDictArray> list(CreateUnmodifiedList(c.letters));
        CFObj<CFMutableArrayRef> indexes(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
        for (const std::optional<CFIndex>& index : c.indexes) {
            CFObj<CFNumberRef> number(CreateIndexNumber(index.value_or(0)));
            CFArrayAppendValue(indexes.Get(), index.has_value() ? static_cast<CFTypeRef>(number.Get()) : CFSTR("1"));
        }
        EXPECT_EQ(list->MoveItems(indexes.Get(), c.to), c.newIndex) << c.result;
        EXPECT_EQ(Names(*list), c.result);
        EXPECT_TRUE(list->IsModified()) << c.result;
    }
    std::unique_ptr<CFDictArray> untouched(CreateUnmodifiedList("ab"));
    EXPECT_EQ(untouched->MoveItems(nullptr, 0), 0);
    EXPECT_FALSE(untouched->IsModified());
}

TEST(CFDictArray, CopiesShareTheRecordsButNotTheArray)
{
    std::unique_ptr<CFDictArray> original(CreateUnmodifiedList("ab"));
    CFDictArray copy(*original);
    EXPECT_FALSE(copy.IsModified());
    EXPECT_NE(copy.GetMutableArray(), original->GetMutableArray());
    EXPECT_EQ(copy.FetchItemAt(1), original->FetchItemAt(1));
    copy.RemoveItemAt(0);
    EXPECT_EQ(Names(*original), "ab");
    EXPECT_FALSE(original->IsModified());

    CFDictArray assigned;
    assigned = *original;
    EXPECT_TRUE(assigned.IsModified());
    EXPECT_EQ(assigned.FetchItemAt(0), original->FetchItemAt(0));
    EXPECT_NE(assigned.GetMutableArray(), original->GetMutableArray());

    CFDictArray& self = *original;
    *original = self;
    EXPECT_FALSE(original->IsModified());
    EXPECT_EQ(Names(*original), "ab");
}

TEST(CFDictArray, ListWithoutAnArrayAnswersNothingAndCopiesAsEmpty)
{
    CFDictArray list(nullptr, false);
    AddRecords(list, {"a"});
    list.InsertItemAt(nullptr, 0);
    list.RemoveAllItems();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.FetchItemAt(0), nullptr);
    EXPECT_EQ(list.MoveOneItem(0, 1), 0);
    EXPECT_EQ(list.ReplaceDictionaryWithMutableCopyAt(0), nullptr);
    EXPECT_FALSE(list.IsModified());

    CFDictArray copy(list);
    AddRecords(copy, {"b"});
    EXPECT_EQ(Names(copy), "b");
}

TEST(CFDictArray, MutableCopyReplacesAnImmutableRecord)
{
    CFObj<CFMutableDictionaryRef> source(CreateRecord("a"));
    CFObj<CFDictionaryRef> frozen(CFDictionaryCreateCopy(kCFAllocatorDefault, source.Get()));
    CFDictArray list;
    list.AddItem(frozen.Get());

    CFMutableDictionaryRef copy = list.ReplaceDictionaryWithMutableCopyAt(0);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(static_cast<CFDictionaryRef>(copy), frozen.Get());
    EXPECT_EQ(list.FetchItemAt(0), copy);
    EXPECT_EQ(CFGetRetainCount(copy), 1);  // the list holds the only reference
    EXPECT_EQ(CFGetRetainCount(frozen.Get()), 1);
    list.SetItemStringForKey(0, kName, CFSTR("b"));
    EXPECT_EQ(Names(list), "b");
    EXPECT_EQ(list.ReplaceDictionaryWithMutableCopyAt(1), nullptr);
}

// A list whose records are found elsewhere: the typed access must follow what FetchItemAt says.
class RedirectedList : public CFDictArray {
public:
    explicit RedirectedList(CFDictionaryRef record) : mRecord(record) {}
    CFDictionaryRef FetchItemAt(SInt32 index) const override { return index == 42 ? mRecord : nullptr; }

private:
    CFDictionaryRef mRecord;
};

TEST(CFDictArray, TypedAccessGoesThroughFetchItemAt)
{
    CFObj<CFMutableDictionaryRef> record(CreateRecord("elsewhere"));
    RedirectedList list(record.Get());
    EXPECT_EQ(TextOf(list.GetItemStringForKey(42, kName)), "elsewhere");
    list.SetItemBooleanForKey(42, CFSTR("SECURE"), 1);
    EXPECT_EQ(CFDictionaryGetValue(record.Get(), CFSTR("SECURE")), kCFBooleanTrue);
}

}  // namespace
