// Typing to find a clip in the popup's menu: each key finds again among 2000 clips in 200 submenus
// and shows the best 25 in the top list. The menu is made as the popup makes it, on Qt's offscreen
// platform; what a key costs is the finding and the list's new entries, not the drawing.
#include "menu/PopupMenu.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// The records the plug-in gives for that many clips spread over that many submenus, each with its
// delete alternate. Names of a few words, as people give them.
std::vector<cmhost::MenuItem> ClipMenu(int clipCount, int submenuCount)
{
    static const char* const kWords[] = {"sign", "off", "regards", "address", "invoice", "meeting", "notes", "café",
                                         "reply", "thanks", "phone", "bank", "street", "office", "greeting", "résumé"};
    std::vector<cmhost::MenuItem> submenus(submenuCount);
    for (int i = 0; i < submenuCount; ++i) {
        submenus[i].name = "Group " + std::to_string(i);
        submenus[i].isSubmenu = true;
    }
    for (int i = 0; i < clipCount; ++i) {
        cmhost::MenuItem clip;
        clip.name = std::string(kWords[i % 16]) + " " + kWords[(i / 16) % 16] + " " + std::to_string(i);
        clip.command = 200 + i;
        clip.attributes = kMenuItemAttrIgnoreMeta | kMenuItemAttrNotPreviousAlternate | kMenuItemAttrDynamic;
        cmhost::MenuItem alternate = clip;
        alternate.name = "- " + *clip.name;
        alternate.command = 20000 + i;
        alternate.attributes = kMenuItemAttrIgnoreMeta | kMenuItemAttrDynamic;
        alternate.modifiers = kMenuOptionModifier;
        submenus[i % submenuCount].submenu.push_back(clip);
        submenus[i % submenuCount].submenu.push_back(alternate);
    }
    cmhost::MenuItem root;
    root.name = "Stashwell";
    root.isSubmenu = true;
    root.submenu = std::move(submenus);
    return {root};
}

const std::vector<cmhost::MenuItem>& Clips()
{
    static const std::vector<cmhost::MenuItem> items = ClipMenu(2000, 200);
    return items;
}

// One key after the first: the text grows by a letter and back, so each iteration finds anew.
void BM_FindOneKey(benchmark::State& state)
{
    popup::PopupMenu menu(Clips(), false);
    menu.Find(QStringLiteral("o"));
    const QString texts[] = {QStringLiteral("of"), QStringLiteral("off"), QStringLiteral("off s"),
                             QStringLiteral("off si")};
    size_t next = 0;
    for (auto _ : state) {
        menu.Find(texts[next++ % 4]);
    }
}
BENCHMARK(BM_FindOneKey)->Unit(benchmark::kMillisecond);

// The first key also folds every name of the menu once.
void BM_FindFirstKey(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        popup::PopupMenu menu(Clips(), false);
        state.ResumeTiming();
        menu.Find(QStringLiteral("o"));
    }
}
BENCHMARK(BM_FindFirstKey)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
