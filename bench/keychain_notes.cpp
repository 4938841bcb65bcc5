// Secure notes as the plug-in reads them: one 1 KiB note out of a clip keychain of 10, 100 or 1000
// notes, once the keychain is unlocked, each read through a fresh ClipKeychain as every paste makes
// one; adding a note to such a keychain; and the unlock itself at the production cost of the key
// derivation. The keychains are made once per run in a temporary folder and locked at the end, so
// no key stays in the user's keyring.
#include "secure/ClipKeychain.h"

#include <PlatformPasswords.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

namespace {

const char kPassword[] = "benchmark password";
std::string gFolder;
std::map<int, std::string> gKeychains;  // note count -> path

OSStatus AnswerPassword(void*, const PlatformPasswordRequest*, char* buffer, UInt32 capacity, UInt32* length)
{
    const UInt32 size = sizeof kPassword - 1;
    if (size > capacity) {
        return paramErr;
    }
    std::memcpy(buffer, kPassword, size);
    *length = size;
    return noErr;
}

CFStringRef CreateNoteName(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "Note %04d", index);
    return CFStringCreateWithCString(kCFAllocatorDefault, name, kCFStringEncodingUTF8);
}

// The keychain of noteCount notes of 1 KiB, made on first use; "" when it cannot be made.
const std::string& KeychainOf(int noteCount)
{
    auto found = gKeychains.find(noteCount);
    if (found != gKeychains.end()) {
        return found->second;
    }
    std::string path = gFolder + "/notes-" + std::to_string(noteCount) + ".keychain";
    ClipKeychain keychain(nullptr);
    bool made = keychain.CreateNewKeychain(path.c_str()) == noErr;
    const std::string content(1024, 'x');
    for (int i = 0; made && i < noteCount; ++i) {
        CFStringRef name = CreateNoteName(i);
        made = keychain.AddSecureNote(name, content.data(), static_cast<UInt32>(content.size())) == noErr;
        CFRelease(name);
    }
    return gKeychains[noteCount] = made ? path : std::string();
}

void BM_ReadOneNote(benchmark::State& state)
{
    const int noteCount = static_cast<int>(state.range(0));
    const std::string& path = KeychainOf(noteCount);
    if (path.empty()) {
        state.SkipWithError("the keychain could not be made");
        return;
    }
    CFStringRef name = CreateNoteName(noteCount / 2);
    for (auto _ : state) {
        ClipKeychain keychain(path.c_str());
        UInt32 length = 0;
        void* data = keychain.ReadSecureNote(name, length);
        if (data == nullptr || length != 1024) {
            state.SkipWithError("the note was not read");
            break;
        }
        ClipKeychain::FreeSecureNoteData(data);
    }
    CFRelease(name);
    state.counters["notes"] = noteCount;
}
BENCHMARK(BM_ReadOneNote)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// Adding one 1 KiB note, as storing a secure clip does; the note is deleted again untimed.
void BM_AddOneNote(benchmark::State& state)
{
    const int noteCount = static_cast<int>(state.range(0));
    const std::string& path = KeychainOf(noteCount);
    if (path.empty()) {
        state.SkipWithError("the keychain could not be made");
        return;
    }
    const std::string content(1024, 'y');
    CFStringRef name = CFSTR("Added note");
    for (auto _ : state) {
        ClipKeychain keychain(path.c_str());
        if (keychain.AddSecureNote(name, content.data(), static_cast<UInt32>(content.size())) != noErr) {
            state.SkipWithError("the note was not added");
            break;
        }
        state.PauseTiming();
        keychain.DeleteSecureNote(name);
        state.ResumeTiming();
    }
    state.counters["notes"] = noteCount;
}
BENCHMARK(BM_AddOneNote)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// Unlocking through the password prompt: the key derivation at the cost stored in the file.
void BM_Unlock(benchmark::State& state)
{
    const std::string& path = KeychainOf(10);
    if (path.empty()) {
        state.SkipWithError("the keychain could not be made");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        ClipKeychain keychain(path.c_str());
        keychain.Lock();
        state.ResumeTiming();
        if (keychain.Unlock() != noErr) {
            state.SkipWithError("the keychain was not unlocked");
            break;
        }
    }
}
BENCHMARK(BM_Unlock)->Unit(benchmark::kMillisecond);

// The temporary folder and the password source for the whole run; at exit the keychains are
// locked (their keys leave the user's keyring) and the folder is removed.
class BenchmarkEnvironment {
public:
    BenchmarkEnvironment()
    {
        char folder[] = "/tmp/stashwell-keychainbench-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        gFolder = folder;
        setenv("XDG_CONFIG_HOME", folder, 1);
        setenv("XDG_DATA_HOME", folder, 1);
        PlatformSetPasswordSource(AnswerPassword, nullptr);
    }
    ~BenchmarkEnvironment()
    {
        for (const auto& [count, path] : gKeychains) {
            if (!path.empty()) {
                ClipKeychain(path.c_str()).Lock();
            }
        }
        PlatformSetPasswordSource(nullptr, nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(gFolder, ignored);
    }
};

const BenchmarkEnvironment gEnvironment;

}  // namespace

BENCHMARK_MAIN();
