// The clip items: where each clip lands, which records are left out, how the items are numbered,
// and the submenu paths offered to the new-clip dialog.
#include "menu/ClipMenu.h"
#include "menu/SubmenuTree.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

#include "plugin/menu/MenuRecordReader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using menutest::CreateString;
using menutest::FindEntry;
using menutest::MenuEntry;
using menutest::Outline;
using menutest::ScopedCommandList;

// Builds a clip list record by record; values of any type may be put under any key.
class ClipListBuilder {
public:
    ClipListBuilder() : mArray(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks)) {}

    ClipListBuilder& Clip(const std::string& name, const char* submenu = nullptr, bool secure = false)
    {
        CFObj<CFMutableDictionaryRef> record(NewRecord());
        CFObj<CFStringRef> nameText(CreateString(name));
        CFDictionarySetValue(record.Get(), CFSTR("NAME"), nameText.Get());
        if (submenu != nullptr) {
            CFObj<CFStringRef> path(CreateString(submenu));
            CFDictionarySetValue(record.Get(), CFSTR("SUBMENU"), path.Get());
        }
        if (secure) {
            CFDictionarySetValue(record.Get(), CFSTR("SECURE"), kCFBooleanTrue);
        }
        CFArrayAppendValue(mArray.Get(), record.Get());
        return *this;
    }

    // A record with the given values as they are, whatever their types.
    ClipListBuilder& Raw(CFTypeRef name, CFTypeRef submenu, CFTypeRef secure)
    {
        CFObj<CFMutableDictionaryRef> record(NewRecord());
        if (name != nullptr) {
            CFDictionarySetValue(record.Get(), CFSTR("NAME"), name);
        }
        if (submenu != nullptr) {
            CFDictionarySetValue(record.Get(), CFSTR("SUBMENU"), submenu);
        }
        if (secure != nullptr) {
            CFDictionarySetValue(record.Get(), CFSTR("SECURE"), secure);
        }
        CFArrayAppendValue(mArray.Get(), record.Get());
        return *this;
    }

    // Any value where a record should be.
    ClipListBuilder& Value(CFTypeRef value)
    {
        CFArrayAppendValue(mArray.Get(), value);
        return *this;
    }

    CFMutableArrayRef Get() const { return mArray.Get(); }

private:
    static CFMutableDictionaryRef NewRecord()
    {
        return CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                         &kCFTypeDictionaryValueCallBacks);
    }

    CFObj<CFMutableArrayRef> mArray;
};

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

    void UseClips(const ClipListBuilder& clips)
    {
        delete mInstance->implData.clipList;
        mInstance->implData.clipList = new CFDictArray(clips.Get(), true);
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
    UseClips(ClipListBuilder().Clip("zero", "/Stashwell").Clip("one", "/Stashwell", true).Clip("two", "/Stashwell"));
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
        // Oddly spelled paths land in the submenu they name; ".." names a submenu, not a step up.
        {{{"a", "/Stashwell//Work/"}, {"b", "/Stashwell/"}, {"c", "/Stashwell/./Work"}, {"d", "/"}, {"e", "//"},
          {"f", "/Stashwell/.."}, {"g", widePath.c_str()}},
         true, "Stashwell{Fixed,Work{a,- a,c,- c},-,b,- b,..{f,- f}},d,- d,e,- e," + wide + "{g,- g}"},
        {{}, true, "Stashwell{Fixed}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outline.substr(0, 80));
        ClipListBuilder clips;
        for (const auto& [name, submenu] : c.clips) {
            clips.Clip(name, submenu);
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
    UseClips(ClipListBuilder()
                 .Value(number.Get())                        // 0: not a dictionary
                 .Value(CFSTR("a string"))                   // 1: not a dictionary
                 .Raw(nullptr, CFSTR("/Stashwell"), nullptr) // 2: no name
                 .Raw(number.Get(), nullptr, nullptr)        // 3: a name that is no string
                 .Raw(name.Get(), number.Get(), number.Get())// 4: submenu and secure flag of the wrong type
                 .Raw(name.Get(), nullptr, CFSTR("YES")));   // 5: a secure flag that is no boolean
    std::vector<MenuEntry> menu = BuildMenu();
    // A submenu or secure flag of another type counts as absent: a plain clip at the top level.
    EXPECT_EQ(Outline(menu), "Stashwell{Fixed},kept,- kept,kept,- kept");
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_EQ(menu[1].command, 204);
    EXPECT_EQ(menu[2].command, 2204);
    EXPECT_EQ(menu[3].command, 205);
    EXPECT_EQ(menu[4].command, 2205);
}

TEST_F(ClipMenuTest, NamesAreShownExactlyAsWritten)
{
    const std::string huge(100000, 'x');
    const std::string withNul("nul\0inside", 10);
    UseClips(ClipListBuilder()
                 .Clip("-", "/Stashwell")
                 .Clip("(Bold^1 /Slash!<", "/Stashwell")
                 .Clip("tab\there\x01\x1b[31m", "/Stashwell")
                 .Clip(withNul, "/Stashwell")
                 .Clip(huge, "/Stashwell"));
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
    ClipListBuilder clips;
    clips.Clip("deep", tooDeep.c_str());
    CFObj<CFStringRef> withNul(CreateString(std::string("/Stash\0well", 11)));
    CFObj<CFStringRef> name(CreateString("nul"));
    clips.Raw(name.Get(), withNul.Get(), nullptr);
    clips.Clip("fine", "/Stashwell");
    UseClips(clips);
    std::vector<MenuEntry> menu = BuildMenu();
    EXPECT_EQ(Outline(menu), "Stashwell{Fixed,-,fine,- fine}");
    EXPECT_EQ(menu[0].items[2].command, 202);
}

TEST_F(ClipMenuTest, ClipsFromIndex2000OnGetNoItems)
{
    ClipListBuilder clips;
    for (int i = 0; i < 2005; ++i) {
        clips.Clip("clip " + std::to_string(i), "/Stashwell");
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
    UseClips(ClipListBuilder()
                 .Clip("a", "Work")
                 .Clip("b", "/Stashwell")
                 .Clip("c", "")
                 .Clip("d")
                 .Clip("e", "/Stashwell/Private", true)  // secure clips count, locked or not
                 .Clip("f", "/Work")
                 .Clip("g", "/work")
                 .Value(number.Get())
                 .Raw(name.Get(), number.Get(), nullptr));
    CFObj<CFMutableArrayRef> names(CreateSubmenuNameList(mInstance));
    EXPECT_EQ(Strings(names.Get()), (std::vector<std::string>{"/Stashwell", "/Work", "/Stashwell/Private", "/work"}));
}

TEST_F(ClipMenuTest, SubmenuNameListOfManyDistinctPathsKeepsTheirOrder)
{
    ClipListBuilder clips;
    for (int i = 0; i < 5000; ++i) {
        clips.Clip("c", ("/Stashwell/Group " + std::to_string(i % 2500)).c_str());
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
