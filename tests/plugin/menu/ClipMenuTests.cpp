// The clip items: where each clip lands, which records are left out, how the items are numbered,
// and the submenu paths offered to the new-clip dialog.
#include "menu/ClipMenu.h"
#include "menu/SubmenuTree.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

#include "plugin/menu/MenuRecordReader.h"
#include "support/StoredClipList.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using cliplisttest::Clip;
using menutest::CreateString;
using menutest::FindEntry;
using menutest::MenuEntry;
using menutest::Outline;
using menutest::ScopedCommandList;

// A record with the given values as they are, whatever their types (NULL: left out).
CFDictionaryRef CreateRawRecord(CFTypeRef name, CFTypeRef submenu, CFTypeRef secure)
{
    CFMutableDictionaryRef record =
        CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    const std::pair<CFStringRef, CFTypeRef> entries[] = {{CFSTR("NAME"), name}, {CFSTR("SUBMENU"), submenu},
                                                         {CFSTR("SECURE"), secure}};
    for (const auto& [key, value] : entries) {
        if (value != nullptr) {
            CFDictionarySetValue(record, key, value);
        }
    }
    return record;
}

class ClipMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        mInstance = AllocAbstractCMPluginType(nullptr);
        ASSERT_NE(mInstance, nullptr);
        mInstance->implData.systemVersion = 0x1068;
    }
    void TearDown() override
    {
        delete mInstance->implData.clipList;
        mInstance->implData.clipList = nullptr;
        AbstractCMPluginRelease(mInstance);
    }

    // The clips, then any other values (which a damaged list may hold) after them.
    void UseClips(const std::vector<cliplisttest::ClipRecord>& clips, const std::vector<CFTypeRef>& values = {})
    {
        CFObj<CFMutableArrayRef> array(cliplisttest::CreateClipArray(clips));
        for (CFTypeRef value : values) {
            CFArrayAppendValue(array.Get(), value);
        }
        delete mInstance->implData.clipList;
        mInstance->implData.clipList = new CFDictArray(array.Get(), true);
    }

    // The menu of one fixed command under the root path followed by the clips.
    std::vector<MenuEntry> BuildMenu(Boolean addSeparator = true)
    {
        ScopedCommandList list;
        {
            SubmenuTree tree(list.Get());
            tree.AddMenuItem(CFSTR("/Stashwell"), CFSTR("Fixed"), 101, UsesCFStringNames(mInstance), 0, 0);
            PopulateItemsMenu(mInstance, tree, CFSTR("/Stashwell"), addSeparator);
            tree.BuildSubmenuTree();
        }
        return list.Read();
    }

    AbstractCMPluginType* mInstance = nullptr;
};

TEST_F(ClipMenuTest, SecureClipsAreListedOnlyWhileTheKeychainIsUnlocked)
{
    UseClips({Clip("zero", "/Stashwell"), Clip("one", "/Stashwell", true), Clip("two", "/Stashwell")});
    std::vector<MenuEntry> menu = BuildMenu();
    EXPECT_EQ(Outline(menu), "Stashwell{Fixed,-,zero,- zero,two,- two}");
    ASSERT_EQ(menu.size(), 1u);
    const std::vector<MenuEntry>& root = menu[0].items;
    ASSERT_EQ(root.size(), 6u);

    const MenuEntry& separator = root[1];
    EXPECT_EQ(separator.command, 0);
    EXPECT_FALSE(separator.attributes.has_value()) << "a separator must be drawn as a line";
    EXPECT_FALSE(separator.modifiers.has_value());
    const SInt32 expectedIds[] = {200, 2200, 202, 2202};
    for (size_t i = 0; i < 4; ++i) {
        const MenuEntry& item = root[i + 2];
        EXPECT_EQ(item.command, expectedIds[i]) << item.name;
        EXPECT_EQ(item.attributes, i % 2 == 0 ? 280 : 264) << item.name;
        if (i % 2 == 0) {
            EXPECT_FALSE(item.modifiers.has_value());
        } else {
            EXPECT_EQ(item.modifiers, kMenuOptionModifier);
        }
    }

    mInstance->implData.keychainUnlocked = true;
    EXPECT_EQ(Outline(BuildMenu()), "Stashwell{Fixed,-,zero,- zero,one,- one,two,- two}");
}

TEST_F(ClipMenuTest, EachClipLandsInTheSubmenuItsRecordNames)
{
    using Clips = std::vector<std::pair<std::string, const char*>>;  // name, submenu (NULL: none)
    const std::string wide(70000, 'w');
    const std::string widePath = "/" + wide;
    const struct {
        Clips clips;
        Boolean separator;
        std::string outline;
    } cases[] = {
        // Inside the root submenu before its own clips; no submenu or an empty one: the top level;
        // no leading '/': a top-level submenu.
        {{{"a", "/Stashwell/Work"}, {"b", "/Stashwell"}, {"c", nullptr}, {"d", ""}, {"e", "Work"}, {"f", "/Stashwell/Work"}},
         true, "Stashwell{Fixed,Work{a,- a,f,- f},-,b,- b},c,- c,d,- d,Work{e,- e}"},
        // The separator comes only before a clip of the root submenu, and only when asked for.
        {{{"a", "/Stashwell/Work"}, {"b", nullptr}}, true, "Stashwell{Fixed,Work{a,- a}},b,- b"},
        {{{"a", "/Stashwell"}, {"b", "/Stashwell"}}, false, "Stashwell{Fixed,a,- a,b,- b}"},
        // How odd spellings of a path are read is the submenu tree tests' concern; a path far longer
        // than a name is still one submenu.
        {{{"a", "/Stashwell/"}, {"b", "/"}, {"g", widePath.c_str()}}, true,
         "Stashwell{Fixed,-,a,- a},b,- b," + wide + "{g,- g}"},
        {{}, true, "Stashwell{Fixed}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outline.substr(0, 80));
        std::vector<cliplisttest::ClipRecord> clips;
        for (const auto& [name, submenu] : c.clips) {
            clips.push_back(Clip(name, submenu));
        }
        UseClips(clips);
        EXPECT_EQ(Outline(BuildMenu(c.separator)), c.outline);
    }
    delete mInstance->implData.clipList;
    mInstance->implData.clipList = nullptr;
    EXPECT_EQ(Outline(BuildMenu()), "Stashwell{Fixed}") << "without a clip list nothing is added";
}

TEST_F(ClipMenuTest, UnusableRecordsAreLeftOutAndKeepTheirIndex)
{
    CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &(const SInt32&)SInt32{7}));
    CFObj<CFStringRef> name(CreateString("kept"));
    CFObj<CFDictionaryRef> records[] = {
        CFObj<CFDictionaryRef>(CreateRawRecord(nullptr, CFSTR("/Stashwell"), nullptr)),  // 2: no name
        CFObj<CFDictionaryRef>(CreateRawRecord(number.Get(), nullptr, nullptr)),         // 3: a name that is no string
        // 4: submenu and secure flag of the wrong type; 5: a secure flag that is no boolean
        CFObj<CFDictionaryRef>(CreateRawRecord(name.Get(), number.Get(), number.Get())),
        CFObj<CFDictionaryRef>(CreateRawRecord(name.Get(), nullptr, CFSTR("YES")))};
    // 0 and 1: no dictionary at all.
    UseClips({}, {number.Get(), CFSTR("a string"), records[0].Get(), records[1].Get(), records[2].Get(),
                  records[3].Get()});
    std::vector<MenuEntry> menu = BuildMenu();
    // A submenu or secure flag of another type counts as absent: a plain clip at the top level.
    EXPECT_EQ(Outline(menu), "Stashwell{Fixed},kept,- kept,kept,- kept");
    std::vector<std::optional<SInt32>> commands;
    for (const MenuEntry& entry : menu) {
        commands.push_back(entry.command);
    }
    EXPECT_EQ(commands, (std::vector<std::optional<SInt32>>{std::nullopt, 204, 2204, 205, 2205}));
}

TEST_F(ClipMenuTest, NamesAreShownExactlyAsWritten)
{
    const std::string huge(100000, 'x');
    const std::string withNul("nul\0inside", 10);
    UseClips({Clip("-", "/Stashwell"), Clip("(Bold^1 /Slash!<", "/Stashwell"), Clip("tab\there\x01\x1b[31m", "/Stashwell"),
              Clip(withNul, "/Stashwell"), Clip(huge, "/Stashwell")});
    std::vector<MenuEntry> menu = BuildMenu();
    ASSERT_EQ(menu.size(), 1u);
    const std::vector<MenuEntry>& root = menu[0].items;
    ASSERT_EQ(root.size(), 12u);
    // A clip named "-" is an item, not a separator: it carries its id and IgnoreMeta.
    EXPECT_EQ(root[2].name, "-");
    EXPECT_EQ(root[2].command, 200);
    EXPECT_EQ(root[2].attributes, 280);
    EXPECT_EQ(root[3].name, "- -");
    EXPECT_EQ(root[4].name, "(Bold^1 /Slash!<");
    EXPECT_EQ(root[6].name, "tab\there\x01\x1b[31m");
    EXPECT_EQ(root[8].name, withNul);
    EXPECT_EQ(root[10].name, huge);
    EXPECT_EQ(root[11].name, "- " + huge);
}

TEST_F(ClipMenuTest, PathsTheMenuCannotHoldLeaveTheirClipOut)
{
    std::string tooDeep;
    for (int i = 0; i <= SubmenuTree::kMaxSubmenuDepth; ++i) {
        tooDeep += "/level";
    }
    CFObj<CFStringRef> withNul(CreateString(std::string("/Stash\0well", 11)));
    CFObj<CFDictionaryRef> nul(CreateRawRecord(CFSTR("nul"), withNul.Get(), nullptr));
    CFObj<CFDictionaryRef> fine(CreateRawRecord(CFSTR("fine"), CFSTR("/Stashwell"), nullptr));
    UseClips({Clip("deep", tooDeep.c_str())}, {nul.Get(), fine.Get()});
    std::vector<MenuEntry> menu = BuildMenu();
    EXPECT_EQ(Outline(menu), "Stashwell{Fixed,-,fine,- fine}");
    EXPECT_EQ(menu[0].items[2].command, 202) << "the clip after them keeps its index";
}

TEST_F(ClipMenuTest, ClipsFromIndex2000OnGetNoItems)
{
    std::vector<cliplisttest::ClipRecord> clips;
    for (int i = 0; i < 2005; ++i) {
        clips.push_back(Clip("clip " + std::to_string(i), "/Stashwell"));
    }
    UseClips(clips);
    std::vector<MenuEntry> menu = BuildMenu();
    ASSERT_EQ(menu.size(), 1u);
    const std::vector<MenuEntry>& root = menu[0].items;
    ASSERT_EQ(root.size(), 2u + 2 * 2000);
    for (size_t i = 0; i < 2000; ++i) {
        const MenuEntry& paste = root[2 + 2 * i];
        const MenuEntry& remove = root[3 + 2 * i];
        ASSERT_EQ(paste.command, static_cast<SInt32>(200 + i));
        ASSERT_EQ(remove.command, static_cast<SInt32>(2200 + i));
        ASSERT_EQ(paste.name, "clip " + std::to_string(i));
    }
    EXPECT_EQ(FindEntry(root, "clip 2000"), nullptr);
    EXPECT_EQ(FindEntry(root, "- clip 2000"), nullptr);
}

std::vector<std::string> Strings(CFArrayRef array)
{
    std::vector<std::string> strings;
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
        strings.push_back(texttest::TextOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(array, i))));
    }
    return strings;
}

TEST_F(ClipMenuTest, SubmenuNameListHoldsEachPathInUseOnce)
{
    CFObj<CFMutableArrayRef> none(CreateSubmenuNameList(nullptr));
    ASSERT_NE(none.Get(), nullptr);
    EXPECT_EQ(CFArrayGetCount(none.Get()), 0);

    CFObj<CFMutableArrayRef> empty(CreateSubmenuNameList(mInstance));
    EXPECT_EQ(Strings(empty.Get()), (std::vector<std::string>{"/Stashwell"}));

    CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &(const SInt32&)SInt32{3}));
    CFObj<CFStringRef> name(CreateString("n"));
    CFObj<CFDictionaryRef> numberPath(CreateRawRecord(name.Get(), number.Get(), nullptr));
    UseClips({Clip("a", "Work"), Clip("b", "/Stashwell"), Clip("c", ""), Clip("d"),
              Clip("e", "/Stashwell/Private", true),  // secure clips count, locked or not
              Clip("f", "/Work"), Clip("g", "/work")},
             {number.Get(), numberPath.Get()});
    CFObj<CFMutableArrayRef> names(CreateSubmenuNameList(mInstance));
    EXPECT_EQ(Strings(names.Get()), (std::vector<std::string>{"/Stashwell", "/Work", "/Stashwell/Private", "/work"}));
}

TEST_F(ClipMenuTest, SubmenuNameListOfManyDistinctPathsKeepsTheirOrder)
{
    std::vector<cliplisttest::ClipRecord> clips;
    for (int i = 0; i < 5000; ++i) {
        clips.push_back(Clip("c", ("/Stashwell/Group " + std::to_string(i % 2500)).c_str()));
    }
    UseClips(clips);
    CFObj<CFMutableArrayRef> names(CreateSubmenuNameList(mInstance));
    std::vector<std::string> strings = Strings(names.Get());
    ASSERT_EQ(strings.size(), 2501u);
    EXPECT_EQ(strings[1], "/Stashwell/Group 0");
    EXPECT_EQ(strings[2500], "/Stashwell/Group 2499");
}

TEST(FindSubmenu, MatchesOnlyAnEqualString)
{
    CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &(const SInt32&)SInt32{1}));
    const void* values[] = {number.Get(), CFSTR("/Work"), CFSTR("/Stashwell")};
    CFObj<CFArrayRef> array(CFArrayCreate(kCFAllocatorDefault, values, 3, &kCFTypeArrayCallBacks));
    EXPECT_TRUE(FindSubmenu(array.Get(), CFSTR("/Stashwell")));
    EXPECT_FALSE(FindSubmenu(array.Get(), CFSTR("/work")));
    EXPECT_FALSE(FindSubmenu(array.Get(), CFSTR("/Work/")));
    EXPECT_FALSE(FindSubmenu(nullptr, CFSTR("/Work")));
    EXPECT_FALSE(FindSubmenu(array.Get(), nullptr));
}

}  // namespace
