// One contextual menu as the host sees it: ExamineContext over a stored clip list, the host reading
// the records and giving back the names' references, and PostMenuCleanup. The clips are spread
// evenly over a number of submenus of the root submenu. The preferences file is read once before
// timing starts, as in any menu after the first in a host process.
#include "plugin/AbstractCMPlugin.h"
#include "plugin/PluginIdentity.h"
#include "prefs/PreferencesStore.h"
#include "support/CMUtilsRecords.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>

namespace {

CFBundleRef gBundle = nullptr;

CFStringRef CreateString(const std::string& text)
{
    return CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
}

// Stores clipCount clips, clip i in submenu i % submenuCount ("/Stashwell" itself when there is
// only one).
void StoreClipList(int clipCount, int submenuCount)
{
    CFMutableArrayRef list = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (int i = 0; i < clipCount; ++i) {
        CFMutableDictionaryRef record = CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                                  &kCFTypeDictionaryValueCallBacks);
        char name[32];
        std::snprintf(name, sizeof name, "Clip %04d", i);
        std::string submenu =
            submenuCount == 1 ? std::string("/Stashwell") : "/Stashwell/Group " + std::to_string(i % submenuCount);
        CFStringRef nameText = CreateString(name);
        CFStringRef submenuText = CreateString(submenu);
        CFDictionarySetValue(record, CFSTR("NAME"), nameText);
        CFDictionarySetValue(record, CFSTR("FILENAME"), nameText);
        CFDictionarySetValue(record, CFSTR("SUBMENU"), submenuText);
        CFArrayAppendValue(list, record);
        CFRelease(submenuText);
        CFRelease(nameText);
        CFRelease(record);
    }
    SInt32 version = 1;
    CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &version);
    CFPreferencesSetAppValue(CFSTR("VERSION"), number, kStashwellPreferencesAppID);
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list, kStashwellPreferencesAppID);
    CFPreferencesAppSynchronize(kStashwellPreferencesAppID);
    CFRelease(number);
    CFRelease(list);
}

long CountRecords(const AEDescList* list)
{
    long count = 0;
    AECountItems(list, &count);
    return count;
}

// hostReadingTimed: whether the host's walk over the records (to give back the names) counts.
void RunMenus(benchmark::State& state, bool hostReadingTimed)
{
    const int clipCount = static_cast<int>(state.range(0));
    const int submenuCount = static_cast<int>(state.range(1));
    StoreClipList(clipCount, submenuCount);
    AbstractCMPluginType* instance = AllocAbstractCMPluginType(kStashwellFactoryID);
    if (instance == nullptr || instance->bundle == nullptr) {
        state.SkipWithError("no instance over the plug-in's bundle");
        return;
    }
    AEDesc context = {typeNull, nullptr};
    for (auto _ : state) {
        AEDescList commands = {typeNull, nullptr};
        AECreateList(nullptr, 0, false, &commands);
        CMPluginExamineContext(instance, &context, &commands);
        if (CountRecords(&commands) == 0) {
            state.SkipWithError("the menu is empty");
            AEDisposeDesc(&commands);
            break;
        }
        // The host shows the menu, then gives back every name it was handed.
        if (!hostReadingTimed) {
            state.PauseTiming();
        }
        CMUtils::ReleaseCommandNames(&commands);
        AEDisposeDesc(&commands);
        if (!hostReadingTimed) {
            state.ResumeTiming();
        }
        CMPluginPostMenuCleanup(instance);
    }
    AbstractCMPluginRelease(instance);
    state.counters["clips"] = clipCount;
    state.counters["submenus"] = submenuCount;
}
// The plug-in's share of a menu: ExamineContext and PostMenuCleanup.
void BM_ExamineAndCleanUp(benchmark::State& state)
{
    RunMenus(state, false);
}
BENCHMARK(BM_ExamineAndCleanUp)
    ->ArgsProduct({{10, 200, 2000}, {1, 20, 200}})
    ->Unit(benchmark::kMillisecond);

// The whole menu as the host lives it, its reading of the records included.
void BM_MenuWithHostReading(benchmark::State& state)
{
    RunMenus(state, true);
}
BENCHMARK(BM_MenuWithHostReading)
    ->ArgsProduct({{10, 200, 2000}, {1, 20, 200}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    char folder[] = "/tmp/stashwell-menubench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        return 1;
    }
    setenv("XDG_CONFIG_HOME", folder, 1);
    setenv("XDG_DATA_HOME", folder, 1);
    std::string prefsFolder = std::string(folder) + "/preferences";
    mkdir(prefsFolder.c_str(), 0700);
    platform::prefs::ResetPreferencesForTesting();

    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(STASHWELL_BUNDLE_DIR), sizeof STASHWELL_BUNDLE_DIR - 1, true);
    gBundle = CFBundleCreate(kCFAllocatorDefault, url);
    CFRelease(url);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (gBundle != nullptr) {
        CFRelease(gBundle);
    }
    std::string cleanup = std::string("rm -rf '") + folder + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
