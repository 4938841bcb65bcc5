// Several processes of the user share one keychain: a change by one keeps it unlocked for the
// others, writers at once lose nothing, and a process whose kernel keyring is refused keeps its
// keys to itself.
#include "KeychainTestSupport.h"

#include "support/KillLoop.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <functional>

#include "security/UnlockedKeyStore.h"

namespace keychaintest {
namespace {

// Runs body in a child process, which reports only through its exit status; -1 when it did not
// end by itself.
int RunInChild(const std::function<int()>& body)
{
    return testsupport::RunChildAndKill(body, -1).exitStatus;
}

using KeychainProcessTest = KeychainTest;

TEST_F(KeychainProcessTest, ChangesFromAnotherProcessKeepTheKeychainUnlocked)
{
    KeychainOwner keychain = Create("shared");
    std::string path = Path();
    std::string before = DescriptionOf(path);
    int added = RunInChild([&] {
        PlatformSetPasswordSource(nullptr, nullptr);
        SecKeychainRef child = nullptr;
        SecKeychainOpen(path.c_str(), &child);
        OSStatus status = AddGenericPassword(child, "from child", "", "x");
        CFRelease(child);
        return status == noErr ? 0 : 1;
    });
    ASSERT_EQ(added, 0);
    // The file was replaced; its key moved with it and the old description is gone.
    EXPECT_NE(DescriptionOf(path), before);
    EXPECT_FALSE(KernelKeyringHolds(before));
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
    ItemOwner item = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "from child"));
    EXPECT_TRUE(item);
}

TEST_F(KeychainProcessTest, ConcurrentWritersLoseNothing)
{
    KeychainOwner keychain = Create("shared");
    std::string path = Path();
    constexpr int kWriters = 3;
    constexpr int kItemsEach = 8;
    std::vector<std::function<int()>> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.push_back([&path, writer] {
            SecKeychainRef mine = nullptr;
            SecKeychainOpen(path.c_str(), &mine);
            int failures = 0;
            for (int i = 0; i < kItemsEach; ++i) {
                std::string service = "w" + std::to_string(writer) + "-" + std::to_string(i);
                OSStatus status = AddGenericPassword(mine, service, "", service);
                if (status != noErr) {
                    std::fprintf(stderr, "writer %d, item %d: status %d\n", writer, i, static_cast<int>(status));
                    ++failures;
                }
            }
            CFRelease(mine);
            return failures;
        });
    }
    for (int status : testsupport::RunChildrenAtOnce(writers))
        EXPECT_EQ(status, 0) << "failed adds (see the messages above), or -1: the writer did not exit";
    SecKeychainSearchRef search = nullptr;
    ASSERT_EQ(SecKeychainSearchCreateFromAttributes(keychain.Get(), kSecGenericPasswordItemClass, nullptr, &search),
              noErr);
    SearchOwner owner = SearchOwner::Adopt(search);
    int found = 0;
    for (SecKeychainItemRef item = nullptr; SecKeychainSearchCopyNext(search, &item) == noErr; item = nullptr) {
        CFRelease(item);
        ++found;
    }
    EXPECT_EQ(found, kWriters * kItemsEach);
}

}  // namespace
}  // namespace keychaintest

namespace keychaintest {
namespace {

class RefusedKeyringTest : public KeychainTest {
protected:
    void TearDown() override
    {
        platform::security::SimulateKernelKeyringRefusalForTesting(0);
        KeychainTest::TearDown();
    }
};

TEST_F(RefusedKeyringTest, KeysStayInTheProcessAndEachProcessAsksForItself)
{
    platform::security::SimulateKernelKeyringRefusalForTesting(EPERM);
    testing::internal::CaptureStderr();
    KeychainOwner first = Create("pw", "First.keychain");
    KeychainOwner second = Create("pw", "Second.keychain");
    std::string said = testing::internal::GetCapturedStderr();
    // Said once, on one line.
    EXPECT_NE(said.find("kernel keyring is not available"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    EXPECT_EQ(Status(first.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
    EXPECT_FALSE(KernelKeyringHolds(DescriptionOf(Path("First.keychain"))));
    ASSERT_EQ(AddGenericPassword(first.Get(), "note", "", "abc"), noErr);

    // Another process does not share this one's unlocked state: it asks for the password itself.
    std::string path = Path("First.keychain");
    int childAnswer = RunInChild([&] {
        ScriptedPasswords child;
        child.Add("pw");
        child.Install();
        SecKeychainRef keychain = nullptr;
        SecKeychainOpen(path.c_str(), &keychain);
        SecKeychainStatus status = 0;
        SecKeychainGetStatus(keychain, &status);
        SecKeychainItemRef item = FindGenericPassword(keychain, "note");
        std::string data = item != nullptr ? DataOf(item) : "";
        if (item != nullptr) {
            CFRelease(item);
        }
        CFRelease(keychain);
        bool asked = child.requests.size() == 1;
        return (status & kSecUnlockStateStatus) == 0 && asked && data == "abc" ? 0 : 1;
    });
    EXPECT_EQ(childAnswer, 0);
    EXPECT_EQ(Status(first.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
}

}  // namespace
}  // namespace keychaintest
