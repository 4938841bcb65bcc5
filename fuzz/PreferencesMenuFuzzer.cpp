// Any bytes as the plug-in's stored preferences, in a fresh configuration folder: the clip list is
// read, and a whole menu is opened over it and cleaned up as a host does. Whatever another process
// left in the file, the menu is built (possibly empty), nothing crashes, and every object made for
// it is released again.
#include "LiveObjectGuard.h"

#include "plugin/AbstractCMPlugin.h"
#include "plugin/PluginIdentity.h"
#include "plugin/Preferences.h"
#include "prefs/PreferencesStore.h"
#include "support/CFDictArray.h"

#include <Carbon/Carbon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string gConfigHome;

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Reads the command list as a host does: every record has a name, and each 'cfst' name is a
// reference the host gives back.
void ReleaseMenu(const AEDescList* list)
{
    long count = 0;
    if (AECountItems(list, &count) != noErr) {
        Fail("the command list cannot be counted");
    }
    for (long index = 1; index <= count; ++index) {
        AEDesc record = {typeNull, nullptr};
        AEKeyword key = 0;
        if (AEGetNthDesc(list, index, typeWildCard, &key, &record) != noErr) {
            Fail("a command record cannot be read");
        }
        DescType type = 0;
        Size size = 0;
        if (AESizeOfKeyDesc(&record, keyAEName, &type, &size) != noErr) {
            Fail("a command record without a name");
        }
        if (type == typeCFStringRef) {
            CFStringRef name = nullptr;
            if (size != sizeof name ||
                AEGetKeyPtr(&record, keyAEName, typeWildCard, &type, &name, sizeof name, &size) != noErr) {
                Fail("a 'cfst' name that is no reference");
            }
            CFRelease(name);
        }
        AEDesc submenu = {typeNull, nullptr};
        if (AEGetKeyDesc(&record, keyContextualMenuSubmenu, typeWildCard, &submenu) == noErr) {
            ReleaseMenu(&submenu);
            AEDisposeDesc(&submenu);
        }
        AEDisposeDesc(&record);
    }
}

void WritePreferencesFile(const uint8_t* data, size_t size)
{
    std::filesystem::remove_all(gConfigHome);
    std::filesystem::create_directories(gConfigHome + "/preferences");
    char id[256] = {};
    CFStringGetCString(kStashwellPreferencesAppID, id, sizeof id, kCFStringEncodingUTF8);
    std::ofstream out(gConfigHome + "/preferences/" + id + ".plist", std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/stashwell-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        Fail("no temporary folder");
    }
    std::string root = pattern;
    gConfigHome = root + "/config";
    setenv("XDG_CONFIG_HOME", gConfigHome.c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
    std::filesystem::create_directories(root + "/data");
    std::filesystem::create_directories(root + "/runtime");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LiveObjectGuard guard;
    WritePreferencesFile(data, size);

    platform::prefs::ResetPreferencesForTesting();
    CMPluginImplData loaded{};
    ReadPreferences(loaded);
    if (loaded.clipList == nullptr) {
        Fail("no clip list read");
    }
    delete loaded.clipList;

    platform::prefs::ResetPreferencesForTesting();
    AbstractCMPluginType* instance = AllocAbstractCMPluginType(nullptr);
    if (instance == nullptr) {
        Fail("no instance");
    }
    AEDesc context = {typeNull, nullptr};
    AEDescList commands = {typeNull, nullptr};
    if (AECreateList(nullptr, 0, false, &commands) != noErr) {
        Fail("no command list");
    }
    if (CMPluginExamineContext(instance, &context, &commands) != noErr) {
        Fail("the menu was refused");
    }
    ReleaseMenu(&commands);
    AEDisposeDesc(&commands);
    CMPluginPostMenuCleanup(instance);
    AbstractCMPluginRelease(instance);
    platform::prefs::ResetPreferencesForTesting();
    return 0;
}
