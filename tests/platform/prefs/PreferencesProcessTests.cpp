// Preferences shared by processes: writers killed at random moments never leave a file that is
// not one whole generation, and processes saving different keys at the same time lose none.
// Children report through their exit status only (no test assertions in a forked child).
#include "PreferencesTestSupport.h"

#include "support/KillLoop.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <thread>

using namespace plisttest;

namespace {

constexpr int kRecords = 2000;

// A clip list of kRecords records, every one of them naming the generation it belongs to.
CFOwner<CFTypeRef> Generation(long generation)
{
    auto list = AdoptCF<CFTypeRef>(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    auto mutableList = static_cast<CFMutableArrayRef>(const_cast<void*>(list.Get()));
    auto number = Integer(generation);
    for (int i = 0; i < kRecords; ++i) {
        auto name = String("clip " + std::to_string(i) + " of generation " + std::to_string(generation));
        const void* keys[] = {CFSTR("NAME"), CFSTR("SUBMENU"), CFSTR("GENERATION")};
        const void* values[] = {name.Get(), CFSTR("/Stashwell/Work"), number.Get()};
        auto record = AdoptCF<CFTypeRef>(CFDictionaryCreate(nullptr, keys, values, 3, &kCFTypeDictionaryKeyCallBacks,
                                                            &kCFTypeDictionaryValueCallBacks));
        CFArrayAppendValue(mutableList, record.Get());
    }
    return list;
}

bool SaveGeneration(long generation)
{
    auto list = Generation(generation);
    auto number = Integer(generation);
    CFPreferencesSetAppValue(CFSTR("CLIP_LIST"), list.Get(), kApp);
    CFPreferencesSetAppValue(CFSTR("GENERATION"), number.Get(), kApp);
    return CFPreferencesAppSynchronize(kApp);
}

// The generation the file holds, or -1 when it is not exactly one whole generation.
long WholeGeneration(const std::string& xml)
{
    auto root = Parse(xml);
    if (!root || CFGetTypeID(root.Get()) != CFDictionaryGetTypeID()) {
        return -1;
    }
    long generation = IntegerValue(Get(root.Get(), "GENERATION"));
    auto list = static_cast<CFArrayRef>(Get(root.Get(), "CLIP_LIST"));
    if (list == nullptr || CFGetTypeID(list) != CFArrayGetTypeID() || CFArrayGetCount(list) != kRecords) {
        return -1;
    }
    for (CFIndex i = 0; i < kRecords; ++i) {
        CFTypeRef record = CFArrayGetValueAtIndex(list, i);
        if (IntegerValue(Get(record, "GENERATION")) != generation ||
            Utf8(Get(record, "NAME")) != "clip " + std::to_string(i) + " of generation " + std::to_string(generation)) {
            return -1;
        }
    }
    return generation;
}

using PreferencesProcesses = PreferencesTest;

TEST_F(PreferencesProcesses, WritersKilledAtRandomMomentsAlwaysLeaveOneWholeGeneration)
{
    // At most 200 kills, and no more than a minute of them once the first 20 are done: a slow disk
    // makes fewer rounds, never a different verdict.
    constexpr int kMaxKills = 200;
    constexpr int kMinKills = 20;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    ASSERT_TRUE(SaveGeneration(0));
    std::mt19937 random(4242);
    std::set<long> seen;
    long firstSave = 1000;  // microseconds; learnt from the writers, so the kills spread over a save
    int kills = 0;
    for (int round = 1; round <= kMaxKills && (round <= kMinKills || std::chrono::steady_clock::now() < deadline);
         ++round) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        auto started = std::chrono::steady_clock::now();
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(progress[0]);
            platform::prefs::ResetPreferencesForTesting();
            for (long generation = round * 100000L;; ++generation) {
                if (!SaveGeneration(generation)) {
                    _exit(3);
                }
                char saved = 1;
                if (write(progress[1], &saved, 1) != 1) {
                    _exit(5);
                }
            }
        }
        close(progress[1]);
        // Every other round waits for the writer's first save to land, then kills it somewhere in a
        // later one; the others kill it anywhere from its start, often inside its first save.
        bool waitForASave = round % 2 == 0;
        if (waitForASave) {
            char saved = 0;
            ASSERT_EQ(read(progress[0], &saved, 1), 1) << "the writer ended before its first save";
            auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
            firstSave = std::max<long>(1000, took.count());
        }
        usleep(static_cast<useconds_t>(random() % static_cast<unsigned long>(firstSave * 3 / 2)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(progress[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself with status " << WEXITSTATUS(status);

        long generation = WholeGeneration(testsupport::ReadFile(AppFile()));
        ASSERT_GE(generation, 0) << "after kill " << round << " the file is not one whole generation";
        if (waitForASave) {
            EXPECT_GE(generation, round * 100000L) << "a save the writer reported is not on disk";
        }
        seen.insert(generation);
        ++kills;
    }
    EXPECT_TRUE(NamesStartingWith("org.stashwell.cmplugin.plist.unreadable-").empty());
    std::printf("[          ] %d writers killed; %zu distinct generations found on disk\n", kills, seen.size());
    // Half the rounds waited for a save of their writer, so the file moved on many times.
    EXPECT_GT(seen.size(), static_cast<size_t>(kills / 2));

    // The next writer clears what the killed ones left behind.
    ASSERT_TRUE(SaveGeneration(1));
    EXPECT_TRUE(NamesStartingWith("org.stashwell.cmplugin.plist.tmp-").empty());
    EXPECT_EQ(WholeGeneration(testsupport::ReadFile(AppFile())), 1);
}

// Each writer saves its own keys one by one, synchronizing after every one, and checks after each
// synchronize that none of its earlier keys has gone. Exit status 0: all well.
int RunKeyWriter(const std::string& prefix, int saves)
{
    platform::prefs::ResetPreferencesForTesting();
    for (int i = 0; i < saves; ++i) {
        auto key = String(prefix + std::to_string(i));
        auto value = Integer(i);
        CFPreferencesSetAppValue(static_cast<CFStringRef>(key.Get()), value.Get(), kApp);
        if (!CFPreferencesAppSynchronize(kApp)) {
            return 2;
        }
        for (int j = 0; j <= i; j += 7) {
            auto earlier = String(prefix + std::to_string(j));
            auto stored = AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(static_cast<CFStringRef>(earlier.Get()), kApp));
            if (IntegerValue(stored.Get()) != j) {
                return 4;
            }
        }
    }
    return 0;
}

TEST_F(PreferencesProcesses, ProcessesSavingDifferentKeysAtOnceLoseNone)
{
    constexpr int kSaves = 150;
    const std::vector<std::string> prefixes = {"first-", "second-"};
    std::vector<std::function<int()>> writers;
    for (const std::string& prefix : prefixes)
        writers.push_back([&prefix] { return RunKeyWriter(prefix, kSaves); });
    for (int status : testsupport::RunChildrenAtOnce(writers))
        EXPECT_EQ(status, 0) << "2: a synchronize failed, 4: a key of its own was lost, -1: it did not exit";

    auto root = Parse(testsupport::ReadFile(AppFile()));
    ASSERT_TRUE(root);
    EXPECT_EQ(CFDictionaryGetCount(static_cast<CFDictionaryRef>(root.Get())),
              static_cast<CFIndex>(prefixes.size() * kSaves));
    for (const std::string& prefix : prefixes) {
        for (int i = 0; i < kSaves; ++i) {
            EXPECT_EQ(IntegerValue(Get(root.Get(), (prefix + std::to_string(i)).c_str())), i) << prefix << i;
        }
    }
    std::printf("[          ] %zu processes saved %d times each\n", prefixes.size(), kSaves);
}

TEST_F(PreferencesProcesses, ThreadsOfOneProcessSavingAtOnceLoseNothing)
{
    constexpr int kThreads = 4;
    constexpr int kSaves = 40;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kSaves; ++i) {
                auto key = String("thread" + std::to_string(t) + "-" + std::to_string(i));
                auto value = Integer(i);
                CFPreferencesSetAppValue(static_cast<CFStringRef>(key.Get()), value.Get(), kApp);
                if (!CFPreferencesAppSynchronize(kApp)) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    platform::prefs::ResetPreferencesForTesting();
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kSaves; ++i) {
            auto key = String("thread" + std::to_string(t) + "-" + std::to_string(i));
            auto stored = AdoptCF<CFTypeRef>(CFPreferencesCopyAppValue(static_cast<CFStringRef>(key.Get()), kApp));
            EXPECT_EQ(IntegerValue(stored.Get()), i);
        }
    }
}

}  // namespace
