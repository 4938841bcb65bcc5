// Preferences shared by processes and threads: those saving different keys at the same time lose
// none. (Writers killed at random moments are in PreferencesCrashTests.)
// Children report through their exit status only (no test assertions in a forked child).
#include "PreferencesTestSupport.h"

#include "support/KillLoop.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

using namespace plisttest;

namespace {

using PreferencesProcesses = PreferencesTest;

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
