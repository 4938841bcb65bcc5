// Loading and saving a clip list of 2000 records through the plug-in's preferences code, against
// libplist alone parsing and writing the same file. Both sides write the file the safe way
// (temporary file, flush, rename), so the comparison is of the work around the parser.
#include "plugin/Preferences.h"
#include "prefs/PreferencesStore.h"
#include "support/CFDictArray.h"

#include <PlatformHost.h>

#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kClipCount = 2000;

std::string gPrefsFile;

std::string BuildClipListXML()
{
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "VERSION", plist_new_uint(1));
    plist_t list = plist_new_array();
    for (int i = 0; i < kClipCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Clip %04d", i);
        plist_t record = plist_new_dict();
        plist_dict_set_item(record, "NAME", plist_new_string(name));
        plist_dict_set_item(record, "SUBMENU", plist_new_string(i % 3 == 0 ? "/Stashwell" : "/Stashwell/Work"));
        plist_dict_set_item(record, "FILENAME", plist_new_string(name));
        plist_t flavors = plist_new_array();
        plist_array_append_item(flavors, plist_new_string("utxt"));
        plist_array_append_item(flavors, plist_new_string("TEXT"));
        plist_dict_set_item(record, "FLAVORS", flavors);
        if (i % 10 == 0) {
            plist_dict_set_item(record, "SECURE", plist_new_bool(1));
            plist_dict_set_item(record, "USE_PLAIN_TEXT", plist_new_bool(0));
        }
        plist_array_append_item(list, record);
    }
    plist_dict_set_item(root, "CLIP_LIST", list);
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    std::string text(xml, length);
    free(xml);
    plist_free(root);
    return text;
}

void WriteAtomically(const std::string& path, const char* bytes, size_t length)
{
    std::string temporary = path + ".bench-tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || write(fd, bytes, length) != static_cast<ssize_t>(length) || fsync(fd) != 0) {
        std::abort();
    }
    close(fd);
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        std::abort();
    }
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

// The baseline: read the file, parse it with libplist, write it back, as any careful program
// using libplist directly would.
void BM_LibplistParseAndWrite(benchmark::State& state)
{
    std::string baselineFile = gPrefsFile + ".baseline";
    std::string initial = BuildClipListXML();
    WriteAtomically(baselineFile, initial.data(), initial.size());
    for (auto _ : state) {
        std::string xml = ReadWholeFile(baselineFile);
        plist_t root = nullptr;
        plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
        char* out = nullptr;
        uint32_t length = 0;
        plist_to_xml(root, &out, &length);
        WriteAtomically(baselineFile, out, length);
        free(out);
        plist_free(root);
    }
    unlink(baselineFile.c_str());
}
BENCHMARK(BM_LibplistParseAndWrite)->Unit(benchmark::kMillisecond);

void BM_LibplistParse(benchmark::State& state)
{
    std::string xml = BuildClipListXML();
    for (auto _ : state) {
        plist_t root = nullptr;
        plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
        benchmark::DoNotOptimize(root);
        plist_free(root);
    }
}
BENCHMARK(BM_LibplistParse)->Unit(benchmark::kMillisecond);

void ResetPrefsFile()
{
    std::string xml = BuildClipListXML();
    WriteAtomically(gPrefsFile, xml.data(), xml.size());
}

// Loads the clip list as a menu does and deletes it; false (and the benchmark marked failed) when it
// did not load whole.
bool ReadAndDropClipList(benchmark::State& state)
{
    CMPluginImplData data{};
    ReadPreferences(data);
    bool loaded = data.clipList != nullptr && data.clipList->GetCount() == kClipCount;
    delete data.clipList;
    if (!loaded) {
        state.SkipWithError("the clip list did not load");
    }
    return loaded;
}

// A menu in a process that has not read the preferences yet: the file is parsed.
void BM_ReadPreferencesCold(benchmark::State& state)
{
    ResetPrefsFile();
    for (auto _ : state) {
        platform::prefs::ResetPreferencesForTesting();
        if (!ReadAndDropClipList(state)) {
            break;
        }
    }
}
BENCHMARK(BM_ReadPreferencesCold)->Unit(benchmark::kMillisecond);

// A later menu in the same process, the file unchanged since it was last read.
void BM_ReadPreferencesWarm(benchmark::State& state)
{
    ResetPrefsFile();
    for (auto _ : state) {
        if (!ReadAndDropClipList(state)) {
            break;
        }
    }
}
BENCHMARK(BM_ReadPreferencesWarm)->Unit(benchmark::kMillisecond);

// One menu in which a clip was renamed, in a process that has not read the preferences yet: load,
// change one record, save.
void BM_ReadModifySavePreferencesCold(benchmark::State& state)
{
    ResetPrefsFile();
    int round = 0;
    for (auto _ : state) {
        platform::prefs::ResetPreferencesForTesting();
        CMPluginImplData data{};
        ReadPreferences(data);
        if (data.clipList == nullptr || data.clipList->GetCount() != kClipCount) {
            state.SkipWithError("the clip list did not load");
            break;
        }
        data.clipList->SetItemStringForKey(round++ % kClipCount, CFSTR("NAME"), CFSTR("Renamed clip"));
        SavePreferences(data);
        delete data.clipList;
    }
}
BENCHMARK(BM_ReadModifySavePreferencesCold)->Unit(benchmark::kMillisecond);

// Saving a changed list alone: the clip list was loaded when the menu opened; each round adds one
// clip or takes it away again, and the save applies that to the stored list under its lock.
void BM_SaveModifiedPreferences(benchmark::State& state)
{
    ResetPrefsFile();
    platform::prefs::ResetPreferencesForTesting();
    CMPluginImplData data{};
    ReadPreferences(data);
    if (data.clipList == nullptr || data.clipList->GetCount() != kClipCount) {
        state.SkipWithError("the clip list did not load");
        return;
    }
    const void* keys[] = {CFSTR("NAME"), CFSTR("FILENAME"), CFSTR("SUBMENU")};
    const void* values[] = {CFSTR("Bench clip"), CFSTR("Bench clip"), CFSTR("/Stashwell")};
    CFDictionaryRef record = CFDictionaryCreate(nullptr, keys, values, 3, &kCFTypeDictionaryKeyCallBacks,
                                                &kCFTypeDictionaryValueCallBacks);
    bool added = false;
    for (auto _ : state) {
        if (added) {
            RemoveClipRecordAt(data, data.clipList->GetCount() - 1);
        } else {
            AddClipRecord(data, record);
        }
        added = !added;
        if (SavePreferences(data) != noErr) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    CFRelease(record);
    ForgetClipList(data);
}
BENCHMARK(BM_SaveModifiedPreferences)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    char folder[] = "/tmp/stashwell-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        return 1;
    }
    setenv("XDG_CONFIG_HOME", folder, 1);
    std::string prefsFolder = std::string(folder) + "/preferences";
    mkdir(prefsFolder.c_str(), 0700);
    gPrefsFile = prefsFolder + "/org.stashwell.cmplugin.plist";

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::string cleanup = std::string("rm -rf '") + folder + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
