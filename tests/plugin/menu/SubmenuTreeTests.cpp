// The submenu tree: which submenus a set of paths makes, in which order the items come out, and
// that the host's list gets the records while everything else the tree made goes away with it.
#include "menu/SubmenuTree.h"
#include "support/CFObj.h"

#include "plugin/menu/MenuRecordReader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using menutest::MenuEntry;
using menutest::Outline;
using menutest::ScopedCommandList;

using texttest::CreateString;

CFURLRef CreateFolderURL(const char* path)
{
    CFObj<CFStringRef> text(CreateString(std::string(path)));
    return CFURLCreateWithFileSystemPath(kCFAllocatorDefault, text.Get(), kCFURLPOSIXPathStyle, true);
}

// Adds each (path, name) command with the next id from 1, names as string references.
void AddCommands(SubmenuTree& tree, const std::vector<std::pair<std::string, std::string>>& commands)
{
    SInt32 id = 1;
    for (const auto& [path, name] : commands) {
        CFObj<CFStringRef> pathText(CreateString(std::string(path)));
        CFObj<CFStringRef> nameText(CreateString(name));
        EXPECT_EQ(tree.AddMenuItem(pathText.Get(), nameText.Get(), id++, true, 0, 0), noErr) << path;
    }
}

std::string BuildOutline(const std::vector<std::pair<std::string, std::string>>& commands)
{
    ScopedCommandList list;
    {
        SubmenuTree tree(list.Get());
        AddCommands(tree, commands);
        tree.BuildSubmenuTree();
    }
    return Outline(list.Read());
}

TEST(SubmenuTree, SubmenusKeepTheOrderOfTheirFirstUse)
{
    EXPECT_EQ(BuildOutline({{"/S", "k1"}, {"/S/X", "k2"}, {"/S", "k3"}, {"/T", "k4"}}), "S{k1,X{k2},k3},T{k4}");
    // A submenu that first appears through a deeper one is placed where that happened.
    EXPECT_EQ(BuildOutline({{"/S/A/B", "deep"}, {"/S", "k"}, {"/S/A", "a"}}), "S{A{B{deep},a},k}");
    // Every missing ancestor is made and attached.
    EXPECT_EQ(BuildOutline({{"/A/B/D", "cmd"}}), "A{B{D{cmd}}}");
}

TEST(SubmenuTree, TopLevelCommandsFollowWhatTheHostListAlreadyHeld)
{
    ScopedCommandList list;
    ASSERT_EQ(AEPutPtr(list.Get(), 0, typeChar, "other", 5), noErr);
    AEDesc theirs = {typeNull, nullptr};
    AEKeyword key = 0;
    {
        SubmenuTree tree(list.Get());
        AddCommands(tree, {{"/", "top"}, {"/S", "inner"}, {"/", "top2"}});
        tree.BuildSubmenuTree();
    }
    // The first item is not a record and is left as it is; ours follow it.
    ASSERT_EQ(list.Count(), 4);
    ASSERT_EQ(AEGetNthDesc(list.Get(), 1, typeWildCard, &key, &theirs), noErr);
    EXPECT_EQ(theirs.descriptorType, static_cast<DescType>(typeChar));
    AEDisposeDesc(&theirs);
    ASSERT_EQ(AEDeleteItem(list.Get(), 1), noErr);
    EXPECT_EQ(Outline(list.Read()), "top,S{inner},top2");
}

TEST(SubmenuTree, IdentityIsThePathTakenAsAFolder)
{
    // Doubled and trailing slashes and "." components name the same submenu; letter case and ".."
    // do not ("..": a submenu of that name, never a step up).
    EXPECT_EQ(BuildOutline({{"/Stashwell/Work", "a"},
                            {"/Stashwell//Work/", "b"},
                            {"/Stashwell/./Work", "c"},
                            {"/stashwell/work", "d"},
                            {"/Stashwell/..", "e"},
                            {"/..", "f"}}),
              "Stashwell{Work{a,b,c},..{e}},stashwell{work{d}},..{f}");
    // The top level has many spellings.
    EXPECT_EQ(BuildOutline({{"/", "a"}, {"//", "b"}, {"/.", "c"}, {"/./", "d"}}), "a,b,c,d");
}

TEST(SubmenuTree, NodesAreFoundByTheirFolderURL)
{
    ScopedCommandList list;
    SubmenuTree tree(list.Get());
    CFObj<CFURLRef> top(CreateFolderURL("/"));
    CFObj<CFURLRef> work(CreateFolderURL("/Stashwell/Work"));
    CFObj<CFURLRef> workAgain(CreateFolderURL("/Stashwell//Work/."));
    CFObj<CFURLRef> stashwell(CreateFolderURL("/Stashwell"));
    CFObj<CFURLRef> workFile(
        CFURLCreateWithFileSystemPath(kCFAllocatorDefault, CFSTR("/Stashwell/Work"), kCFURLPOSIXPathStyle, false));

    EXPECT_EQ(tree.FindSubmenu(nullptr), nullptr);
    EXPECT_EQ(tree.FindSubmenu(top.Get()), tree.GetRoot());
    EXPECT_EQ(tree.FindSubmenu(work.Get()), nullptr);

    SubmenuItem* node = tree.FindOrAddSubmenu(work.Get());
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->IsSubmenu());
    EXPECT_TRUE(node->appended);
    EXPECT_TRUE(CFEqual(node->name, CFSTR("Work")));
    EXPECT_EQ(tree.FindOrAddSubmenu(workAgain.Get()), node);
    EXPECT_EQ(tree.FindSubmenu(workFile.Get()), nullptr) << "a file URL is not the folder";

    SubmenuItem* parent = tree.FindSubmenu(stashwell.Get());
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(parent->GetItemCount(), 1);
    EXPECT_EQ(parent->GetItemAt(0), node);
    ASSERT_EQ(tree.GetRoot()->GetItemCount(), 1);
    EXPECT_EQ(tree.GetRoot()->GetItemAt(0), parent);
    EXPECT_EQ(tree.FindOrAddSubmenu(nullptr), nullptr);
}

TEST(SubmenuTree, ManySubmenusAreEachFoundAgain)
{
    ScopedCommandList list;
    {
        SubmenuTree tree(list.Get());
        std::vector<SubmenuItem*> nodes;
        for (int i = 0; i < 3000; ++i) {
            std::string path = "/Stashwell/Group " + std::to_string(i % 30) + "/Sub " + std::to_string(i);
            CFObj<CFURLRef> url(CreateFolderURL(path.c_str()));
            nodes.push_back(tree.FindOrAddSubmenu(url.Get()));
            ASSERT_NE(nodes.back(), nullptr);
        }
        for (int i = 0; i < 3000; ++i) {
            std::string path = "/Stashwell/Group " + std::to_string(i % 30) + "/Sub " + std::to_string(i) + "/";
            CFObj<CFURLRef> url(CreateFolderURL(path.c_str()));
            ASSERT_EQ(tree.FindSubmenu(url.Get()), nodes[static_cast<size_t>(i)]) << path;
        }
    }
}

TEST(SubmenuTree, CommandsWithoutAUsablePathOrNameAreRefused)
{
    ScopedCommandList list;
    {
        SubmenuTree tree(list.Get());
        CFObj<CFStringRef> withNul(CreateString(std::string("/Stash\0well", 11)));
        EXPECT_EQ(tree.AddMenuItem(nullptr, CFSTR("x"), 1, true, 0, 0), paramErr);
        EXPECT_EQ(tree.AddMenuItem(CFSTR("/S"), nullptr, 1, true, 0, 0), paramErr);
        EXPECT_EQ(tree.AddMenuItem(CFSTR(""), CFSTR("x"), 1, true, 0, 0), paramErr);
        EXPECT_EQ(tree.AddMenuItem(withNul.Get(), CFSTR("x"), 1, true, 0, 0), paramErr);
        tree.BuildSubmenuTree();
    }
    EXPECT_EQ(list.Count(), 0);
}

std::string NestedPath(int depth)
{
    std::string path;
    for (int i = 0; i < depth; ++i) {
        path += "/d";
    }
    return path;
}

TEST(SubmenuTree, NestingIsLimited)
{
    ScopedCommandList list;
    {
        SubmenuTree tree(list.Get());
        CFObj<CFStringRef> deepest(CreateString(NestedPath(SubmenuTree::kMaxSubmenuDepth)));
        CFObj<CFStringRef> tooDeep(CreateString(NestedPath(SubmenuTree::kMaxSubmenuDepth + 1)));
        // A path that would recurse far beyond any stack if it were followed.
        CFObj<CFStringRef> absurd(CreateString(NestedPath(200000)));
        EXPECT_EQ(tree.AddMenuItem(deepest.Get(), CFSTR("deepest"), 1, true, 0, 0), noErr);
        EXPECT_EQ(tree.AddMenuItem(tooDeep.Get(), CFSTR("too deep"), 2, true, 0, 0), paramErr);
        EXPECT_EQ(tree.AddMenuItem(absurd.Get(), CFSTR("absurd"), 3, true, 0, 0), paramErr);
        tree.BuildSubmenuTree();
    }
    std::vector<MenuEntry> menu = list.Read();
    int depth = 0;
    const std::vector<MenuEntry>* level = &menu;
    while (level->size() == 1 && (*level)[0].isSubmenu) {
        ++depth;
        level = &(*level)[0].items;
    }
    EXPECT_EQ(depth, SubmenuTree::kMaxSubmenuDepth);
    ASSERT_EQ(level->size(), 1u);
    EXPECT_EQ((*level)[0].name, "deepest");
}

TEST(SubmenuTree, WithoutAHostListNothingIsWrittenAndNothingLeaks)
{
    // The string-reference names never reach a list, so they must not have been retained.
    SubmenuTree tree(nullptr);
    EXPECT_EQ(tree.AddMenuItem(CFSTR("/"), CFSTR("top"), 1, true, 0, 0), noErr);
    CFObj<CFStringRef> name(CreateString("nested"));
    CFIndex before = CFGetRetainCount(name.Get());
    EXPECT_EQ(tree.AddMenuItem(CFSTR("/S"), name.Get(), 2, true, 0, 0), noErr);
    tree.BuildSubmenuTree();
    EXPECT_EQ(CFGetRetainCount(name.Get()), before + 1) << "held by the tree's item only";
}

}  // namespace
