// A keychain change (a new secure note, or new settings) in a process killed at random moments of
// its run: afterwards the keychain still opens with its password and holds the items and settings
// from before the change or from after it, never a damaged file. Keys are kept in the processes
// (not the user's keyring), so a killed writer cannot leave one behind there.
#include "KeychainTestSupport.h"

#include "security/UnlockedKeyStore.h"
#include "support/KillLoop.h"

#include <cstdlib>
#include <set>

namespace keychaintest {
namespace {

const std::string kPassword = "crash test password";

std::string NoteText(int index)
{
    return "secure note " + std::to_string(index) + ": " + std::string(2000, static_cast<char>('A' + index % 26));
}

// What the keychain held when it was last read: item services with their data, and the lock
// interval.
struct KeychainState {
    std::set<std::string> services;
    UInt32 lockInterval = 0;
    bool operator==(const KeychainState&) const = default;
};

// The writer: one change to the keychain, unlocked with its password. Even rounds add a note, odd
// ones change the lock interval to the round.
int ChangeOnce(const std::string& path, int round)
{
    PlatformUseProcessKeyStoreForTesting(true);
    SecKeychainRef keychain = nullptr;
    if (SecKeychainOpen(path.c_str(), &keychain) != noErr) {
        return 2;
    }
    KeychainOwner owner = KeychainOwner::Adopt(keychain);
    if (SecKeychainUnlock(keychain, static_cast<UInt32>(kPassword.size()), kPassword.data(), true) != noErr) {
        return 3;
    }
    if (round % 2 == 0) {
        std::string service = "note " + std::to_string(round);
        return AddGenericPassword(keychain, service, "me", NoteText(round)) == noErr ? 0 : 4;
    }
    SecKeychainSettings settings{};
    settings.version = 1;
    if (SecKeychainCopySettings(keychain, &settings) != noErr) {
        return 5;
    }
    settings.useLockInterval = true;
    settings.lockInterval = static_cast<UInt32>(600 + round);
    return SecKeychainSetSettings(keychain, &settings) == noErr ? 0 : 6;
}

class KeychainCrash : public KeychainTest {
protected:
    void SetUp() override
    {
        KeychainTest::SetUp();
        PlatformUseProcessKeyStoreForTesting(true);
    }

    // Reads the keychain as a user coming back to it would: opened afresh, locked, unlocked with
    // its password, every item's data checked. Fails the test when any step fails.
    KeychainState Read()
    {
        KeychainState state;
        SecKeychainRef keychain = nullptr;
        EXPECT_EQ(SecKeychainOpen(Path().c_str(), &keychain), noErr);
        KeychainOwner owner = KeychainOwner::Adopt(keychain);
        EXPECT_EQ(SecKeychainLock(keychain), noErr);
        OSStatus unlocked = SecKeychainUnlock(keychain, static_cast<UInt32>(kPassword.size()), kPassword.data(), true);
        EXPECT_EQ(unlocked, noErr) << "the keychain no longer opens with its password";
        if (unlocked != noErr) {
            return state;
        }
        SecKeychainSettings settings{};
        settings.version = 1;
        EXPECT_EQ(SecKeychainCopySettings(keychain, &settings), noErr);
        state.lockInterval = settings.useLockInterval ? settings.lockInterval : 0;

        SecKeychainSearchRef search = nullptr;
        EXPECT_EQ(SecKeychainSearchCreateFromAttributes(keychain, kSecGenericPasswordItemClass, nullptr, &search),
                  noErr);
        SearchOwner searchOwner = SearchOwner::Adopt(search);
        for (SecKeychainItemRef item = nullptr; search != nullptr && SecKeychainSearchCopyNext(search, &item) == noErr;
             item = nullptr) {
            ItemOwner itemOwner = ItemOwner::Adopt(item);
            SecKeychainAttribute attribute{kSecServiceItemAttr, 0, nullptr};
            SecKeychainAttributeList list{1, &attribute};
            UInt32 length = 0;
            void* data = nullptr;
            OSStatus copied = SecKeychainItemCopyContent(item, nullptr, &list, &length, &data);
            EXPECT_EQ(copied, noErr) << "an item of the keychain cannot be read";
            if (copied != noErr) {
                continue;
            }
            std::string service(static_cast<const char*>(attribute.data), attribute.length);
            std::string text(static_cast<const char*>(data), length);
            SecKeychainItemFreeContent(&list, data);
            int index = std::atoi(service.c_str() + std::min<size_t>(service.size(), 5));
            EXPECT_EQ(text, NoteText(index)) << "the data of " << service << " is damaged";
            state.services.insert(service);
        }
        // Locked again, so that nothing of this read stays unlocked.
        EXPECT_EQ(SecKeychainLock(keychain), noErr);
        return state;
    }

    std::vector<std::string> TemporaryNames() const
    {
        std::vector<std::string> names;
        for (const std::string& name : testsupport::EntryNames(mDir.path())) {
            if (name.find(".tmp-") != std::string::npos) {
                names.push_back(name);
            }
        }
        return names;
    }
};

TEST_F(KeychainCrash, ChangesKilledAnywhereLeaveTheKeychainBeforeOrAfter)
{
    {
        KeychainOwner keychain = Create(kPassword);
        ASSERT_EQ(AddGenericPassword(keychain.Get(), "note 0", "me", NoteText(0)), noErr);
        ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    }
    const std::string path = Path();
    KeychainState state = Read();
    ASSERT_EQ(state.services, (std::set<std::string>{"note 0"}));

    // Even rounds add an item, odd ones change the lock interval; the first two run whole.
    auto roundOf = [](int round) { return round + 2; };
    testsupport::KillAtRandomMoments(
        "change run", 2, 40, 61215, [&](int round) { return ChangeOnce(path, roundOf(round)); },
        [&](int round, const testsupport::ChildEnd& end) {
            KeychainState after = state;
            if (roundOf(round) % 2 == 0) {
                after.services.insert("note " + std::to_string(roundOf(round)));
            } else {
                after.lockInterval = static_cast<UInt32>(600 + roundOf(round));
            }
            KeychainState now = Read();
            EXPECT_TRUE(now == state || now == after)
                << now.services.size() << " items, interval " << now.lockInterval;
            if (!end.killed) {
                EXPECT_TRUE(now == after) << "a writer that finished must have saved its change";
            }
            state = now;
            return now == after;
        });
    ASSERT_FALSE(HasFailure());
    // The next whole change removes the temporary files the killed writers left: each is a sealed
    // copy of the keychain that would otherwise outlive the items deleted since.
    ASSERT_EQ(testsupport::RunChildAndKill([&] { return ChangeOnce(path, 100); }, -1).exitStatus, 0);
    EXPECT_TRUE(TemporaryNames().empty()) << TemporaryNames().size() << " left";
    // Nothing of the killed writers reached the user's keyring.
    EXPECT_FALSE(KernelKeyringHolds(DescriptionOf(path)));
}

}  // namespace
}  // namespace keychaintest
