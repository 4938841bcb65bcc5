// Secure clips from end to end: stored with AddNewSecureClip as the dispatcher stores them after
// the dialog, listed, pasted and deleted through the entry points, over the test's own keychain.
#include "SecureClipTesting.h"

#include "base/AtomicFileWriter.h"

#include "commands/ClipCreation.h"
#include "menu/CommandIDs.h"
#include "plugin/menu/MenuRecordReader.h"

#include "plugin/content/FlavorSetTesting.h"
#include "plugin/support/ScriptedUser.h"
#include "support/KillLoop.h"
#include "support/ProcessMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <filesystem>
#include <set>

namespace keychaintest {
namespace {

namespace fs = std::filesystem;
using flavortesting::TestFlavorSet;

class SecureClipsTest : public SecureClipTest {
protected:
    // Stores a secure clip within one menu, as the dispatcher does once the dialog is confirmed.
    void AddSecureClip(const std::string& name, FlavorSet& flavors)
    {
        menutest::ScopedCommandList list;
        AEDesc context = {typeNull, nullptr};
        ASSERT_EQ(CMPluginExamineContext(mSession.instance, &context, list.Get()), noErr);
        CFObj<CFStringRef> clipName(CreateString(name));
        AddNewSecureClip(mSession.instance, clipName.Get(), CFSTR("/Stashwell"), flavors);
        CMPluginPostMenuCleanup(mSession.instance);
    }

    // The note's data, "<none>" when there is none (the keychain must be unlocked).
    std::string NoteData(const std::string& noteName)
    {
        ClipKeychain keychain(KeychainPath().c_str());
        return ReadNote(keychain, noteName);
    }
};

TEST_F(SecureClipsTest, APlainTextClipKeepsOnlyItsTextAsUTF8)
{
    CreateKeychain();
    TestFlavorSet flavors;
    CFObj<CFStringRef> text(CreateString("abc"));
    flavors.CreateFromCFString(text.Get());
    flavors.Add('PICT', "picture");
    flavors.mUsePlainText = true;
    AddSecureClip("Plain", flavors);

    std::vector<StoredRecord> clips = ReadStoredClipList();
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0]["USE_PLAIN_TEXT"], "true");
    EXPECT_EQ(clips[0]["CLIP_ID"], "uuid");
    EXPECT_EQ(clips[0]["FLAVORS"], "TEXT,utxt");
    EXPECT_EQ(NoteData("Plain"), "\xEF\xBB\xBF" "abc");

    Pick(kCmdPasteClipBase);
    const std::string unicode = flavortesting::BytesOf(std::u16string(u"\xFEFF" u"abc"));
    EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "abc"}, {"utxt", unicode}}));
}

// The same name twice: a note name holds one note, so the second clip's note gets the name with a
// suffix, and each clip pastes and deletes only its own content.
TEST_F(SecureClipsTest, TwoClipsOfOneNameKeepTheirOwnNotes)
{
    CreateKeychain();
    TestFlavorSet first{{'TEXT', "first secret"}};
    AddSecureClip("Bank", first);
    TestFlavorSet second{{'TEXT', "second secret"}};
    AddSecureClip("Bank", second);

    std::vector<StoredRecord> clips = ReadStoredClipList();
    ASSERT_EQ(clips.size(), 2u);
    EXPECT_EQ(clips[0]["FILENAME"], "Bank");
    EXPECT_EQ(clips[1]["NAME"], "Bank") << "the clip keeps the name the user gave it";
    EXPECT_EQ(clips[1]["FILENAME"], "Bank01");
    EXPECT_EQ(MenuOutline(), "Stashwell{Lock Keychain,-,Bank,- Bank,Bank,- Bank}");

    Pick(kCmdPasteClipBase + 1);
    EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "second secret"}}));
    Pick(kCmdPasteClipBase);
    EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "first secret"}}));

    Pick(kCmdDeleteClipBase);
    EXPECT_EQ(NoteData("Bank"), "<none>");
    EXPECT_NE(NoteData("Bank01"), "<none>") << "deleting one clip leaves the other's note";
    Pick(kCmdPasteClipBase);
    EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "second secret"}}));

    // The plain name is free again.
    TestFlavorSet third{{'TEXT', "third secret"}};
    AddSecureClip("Bank", third);
    clips = ReadStoredClipList();
    ASSERT_EQ(clips.size(), 2u);
    EXPECT_EQ(clips[1]["FILENAME"], "Bank");
}

TEST_F(SecureClipsTest, ANameStillRecordedOrStillHoldingANoteIsNotReused)
{
    CreateKeychain();
    // A record naming a note that is gone, and a note that no record names any more.
    StoreClipList({{"Lost", "Lost", {"TEXT"}, true}});
    ASSERT_EQ(ClipKeychain(KeychainPath().c_str()).AddSecureNote(CFSTR("Orphan"), "old", 3), noErr);

    TestFlavorSet flavors{{'TEXT', "new"}};
    AddSecureClip("Lost", flavors);
    AddSecureClip("Orphan", flavors);
    std::vector<StoredRecord> clips = ReadStoredClipList();
    ASSERT_EQ(clips.size(), 3u);
    EXPECT_EQ(clips[1]["FILENAME"], "Lost01");
    EXPECT_EQ(clips[2]["FILENAME"], "Orphan01");
    EXPECT_EQ(NoteData("Orphan"), "old");
    EXPECT_EQ(NoteData("Lost"), "<none>") << "the old record still pastes nothing rather than another clip";
}

TEST_F(SecureClipsTest, WhenNoNameIsFreeNoRecordIsAdded)
{
    CreateKeychain();
    std::vector<ClipRecord> taken = {{"Full", "Full", {"TEXT"}, true}};
    for (int suffix = 1; suffix <= 99; ++suffix) {
        std::string digits = {char('0' + suffix / 10), char('0' + suffix % 10)};
        taken.push_back({"Full", "Full" + digits, {"TEXT"}, true});
    }
    StoreClipList(taken);
    TestFlavorSet flavors{{'TEXT', "no room"}};
    AddSecureClip("Full", flavors);
    EXPECT_EQ(ReadStoredClipList().size(), 100u);
    EXPECT_EQ(NoteData("Full"), "<none>");
}

TEST_F(SecureClipsTest, AClipWhoseContentCannotBeStoredGetsNoRecord)
{
    dialogtest::ScriptedUser user;
    // Nothing to store: a plain-text clip without text. No keychain is made for it.
    TestFlavorSet picture{{'PICT', "picture"}};
    picture.mUsePlainText = true;
    AddSecureClip("Picture", picture);
    EXPECT_TRUE(mPasswords.asked.empty());
    EXPECT_FALSE(fs::exists(KeychainPath()));
    EXPECT_TRUE(ReadStoredClipList().empty());

    // The user cancels the new keychain's password.
    TestFlavorSet text{{'TEXT', "text"}};
    AddSecureClip("Cancelled", text);
    EXPECT_FALSE(fs::exists(KeychainPath()));
    EXPECT_TRUE(ReadStoredClipList().empty());

    // A keychain that cannot be made (the disk is full) is told.
    mPasswords.Add("pw");
    platform::FailNextAtomicWriteForTesting(platform::WriteStage::Write, ENOSPC);
    AddSecureClip("No room", text);
    EXPECT_FALSE(fs::exists(KeychainPath()));
    EXPECT_TRUE(ReadStoredClipList().empty());
    ASSERT_EQ(user.alerts.size(), 1u);
    EXPECT_EQ(user.alerts[0].message, "An error occurred while saving the clip.");

    // A locked keychain whose password the user does not give.
    CreateKeychain();
    LockKeychain();
    AddSecureClip("Locked", text);
    EXPECT_TRUE(ReadStoredClipList().empty());
    EXPECT_EQ(MenuOutline(), "Stashwell{Unlock Keychain...}");

    EXPECT_EQ(user.alerts.size(), 1u) << "what the user cancelled needs no message";

    // A keychain that cannot be written is told.
    mPasswords.Add("clip password");
    fs::permissions(KeychainPath(), fs::perms::owner_read);
    AddSecureClip("Read-only", text);
    EXPECT_TRUE(ReadStoredClipList().empty());
    ASSERT_EQ(user.alerts.size(), 2u);
    EXPECT_EQ(user.alerts[1].message, "An error occurred while saving the clip.");
    fs::permissions(KeychainPath(), fs::perms::owner_read | fs::perms::owner_write);

    // A damaged keychain.
    testsupport::WriteFile(KeychainPath(), "damaged");
    AddSecureClip("Damaged", text);
    EXPECT_TRUE(ReadStoredClipList().empty());
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), "damaged");
}

// Without a keychain file a secure clip pastes nothing and is still deleted, as the clip command
// tests show; with its note but without "FLAVORS" in its record, it pastes nothing either.
TEST_F(SecureClipsTest, ARecordWithoutFlavorsPastesNothingAndTakesItsNoteWhenDeleted)
{
    CreateKeychain();
    ASSERT_EQ(ClipKeychain(KeychainPath().c_str()).AddSecureNote(CFSTR("NoFlavors"), "x", 1), noErr);
    StoreClipList({{"NoFlavors", "NoFlavors", {}, true}});
    Pick(kCmdPasteClipBase);
    EXPECT_TRUE(Clipboard().empty());
    EXPECT_TRUE(mSession.keystrokes.empty());
    Pick(kCmdDeleteClipBase);
    EXPECT_TRUE(ReadStoredClipList().empty());
    EXPECT_EQ(NoteData("NoFlavors"), "<none>");
}

// A secure clip deleted elsewhere and stored again under its name has a note of that same name: the
// delete item of a menu that showed the older clip leaves the newer one alone. A clip still stored
// goes, the keychain that was locked since the menu opened being unlocked first.
TEST_F(SecureClipsTest, ADeleteFromAnOlderMenuActsOnlyOnTheClipItShowed)
{
    CreateKeychain("pw");
    TestFlavorSet first{{'TEXT', "first secret"}};
    AddSecureClip("Bank", first);
    menutest::ScopedCommandList commands;
    AEDesc context = {typeNull, nullptr};
    ASSERT_EQ(CMPluginExamineContext(mSession.instance, &context, commands.Get()), noErr);
    {
        ClipKeychain keychain(KeychainPath().c_str());
        ASSERT_EQ(keychain.DeleteSecureNote(CFSTR("Bank")), noErr);
        ASSERT_EQ(keychain.AddSecureNote(CFSTR("Bank"), "newer", 5), noErr);
    }
    StoreClipList({{"Bank", "Bank", {"TEXT"}, true, "/Stashwell", "newer"}});
    EXPECT_EQ(CMPluginHandleSelection(mSession.instance, &context, kCmdDeleteClipBase), noErr);
    CMPluginPostMenuCleanup(mSession.instance);
    EXPECT_EQ(NoteData("Bank"), "newer") << "the note of a clip the menu never showed stays";
    EXPECT_EQ(ReadStoredClipList().size(), 1u);

    ASSERT_EQ(CMPluginExamineContext(mSession.instance, &context, commands.Get()), noErr);
    LockKeychain();
    mPasswords.Add("pw");
    EXPECT_EQ(CMPluginHandleSelection(mSession.instance, &context, kCmdDeleteClipBase), noErr);
    CMPluginPostMenuCleanup(mSession.instance);
    EXPECT_EQ(mPasswords.asked.back(), kPlatformPasswordUnlock);
    EXPECT_TRUE(ReadStoredClipList().empty());
    EXPECT_EQ(NoteData("Bank"), "<none>");
}

// One damaged note is told as that clip's damage, by name; the others still paste, a clip can still
// be added and the damaged one deleted, and reading never rewrites the file.
TEST_F(SecureClipsTest, ADamagedClipIsToldAndSpoilsOnlyItself)
{
    CreateKeychain();
    TestFlavorSet alpha{{'TEXT', "alpha secret"}};
    AddSecureClip("Alpha", alpha);
    TestFlavorSet bravo{{'TEXT', "bravo secret"}};
    AddSecureClip("Bravo", bravo);
    // The last note stored is the file's last record: its final byte is its authentication tag.
    std::string file = testsupport::ReadFile(KeychainPath());
    file.back() = static_cast<char>(file.back() ^ 0x01);
    testsupport::WriteFile(KeychainPath(), file);

    dialogtest::ScriptedUser user;
    Pick(kCmdPasteClipBase + 1);
    EXPECT_TRUE(Clipboard().empty());
    EXPECT_TRUE(mSession.keystrokes.empty()) << "nothing is pasted";
    ASSERT_EQ(user.alerts.size(), 1u);
    EXPECT_EQ(user.alerts[0].message, "This secure clip is damaged in the keychain and cannot be read:\nBravo");
    Pick(kCmdPasteClipBase);
    EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "alpha secret"}}));
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), file) << "a read leaves the damaged file as it is";

    TestFlavorSet charlie{{'TEXT', "charlie secret"}};
    AddSecureClip("Charlie", charlie);
    Pick(kCmdDeleteClipBase + 1);
    EXPECT_EQ(MenuOutline(), "Stashwell{Add Clipboard Content...,Lock Keychain,-,Alpha,- Alpha,Charlie,- Charlie}");
    EXPECT_EQ(NoteData("Bravo"), "<none>");
    Pick(kCmdPasteClipBase + 1);
    EXPECT_EQ(Clipboard(), (Flavors{{"TEXT", "charlie secret"}}));
    EXPECT_EQ(user.alerts.size(), 1u);
}

// Base64 as the XML property-list writer would put the bytes, for the search below.
std::string Base64(const std::string& bytes)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) {
        UInt32 group = (UInt8(bytes[i]) << 16) | (UInt8(bytes[i + 1]) << 8) | UInt8(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            out += kDigits[(group >> shift) & 0x3F];
        }
    }
    return out;  // whole groups only: enough to be found inside a longer text
}

// A process that died between storing a note and saving its record left an intent naming the
// note: the next menu deletes that note unless a record names it or a live writer is storing a
// note of that name. A locked keychain is not unlocked for it: the intent waits.
TEST_F(SecureClipsTest, NotesThatDeadWritersLeftWithoutARecordAreDeleted)
{
    CreateKeychain();
    {
        ClipKeychain keychain(KeychainPath().c_str());
        for (const char* note : {"Orphan", "Recorded", "Busy", "Later"}) {
            CFObj<CFStringRef> name(CreateString(note));
            ASSERT_EQ(keychain.AddSecureNote(name.Get(), CFSTR("secret")), noErr);
        }
    }
    StoreClipList({{"Recorded", "Recorded", {"utxt"}, true}});
    auto writeIntent = [&](const std::string& id, const std::string& note) {
        std::string hex;
        for (unsigned char byte : note) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x", byte);
            hex += digits;
        }
        testsupport::WriteFile(ClipsFolder() + "/.stashwell-intent-" + id, "secure-add\n" + hex + "\n");
        return ClipsFolder() + "/.stashwell-intent-" + id;
    };
    writeIntent("1", "Orphan");
    writeIntent("2", "Recorded");
    writeIntent("3", "Busy");
    int live = ::open(writeIntent("4", "Busy").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    LockKeychain();
    writeIntent("5", "Later");
    MenuOutline();
    EXPECT_TRUE(fs::exists(ClipsFolder() + "/.stashwell-intent-5")) << "waits for the keychain to be unlocked";
    mPasswords.Add("clip password");
    ASSERT_EQ(ClipKeychain(KeychainPath().c_str()).Unlock(), noErr);
    MenuOutline();
    EXPECT_EQ(NoteData("Orphan"), "<none>");
    EXPECT_EQ(NoteData("Later"), "<none>");
    EXPECT_NE(NoteData("Recorded"), "<none>");
    EXPECT_NE(NoteData("Busy"), "<none>");
    EXPECT_EQ(testsupport::EntryNames(ClipsFolder()),
              (std::set<std::string>{".stashwell-intent-4", ".stashwell-lock", "Stashwell.keychain"}));
    ::close(live);
}

// Secure clips added by processes killed at any moment: after the next menu, every note the
// keychain holds is named by a record, and every record's note is there.
TEST_F(SecureClipsTest, KilledWritersLeaveNoNoteWithoutARecord)
{
    CreateKeychain();
    long runMicros = 1000;
    auto add = [&](const std::string& name) {
        return [this, name] {
            TestFlavorSet flavors{{'TEXT', name}};
            AddSecureClip(name, flavors);
            return 0;
        };
    };
    for (int i = 0; i < 3; ++i) {
        testsupport::ChildEnd whole = testsupport::RunChildAndKill(add("Whole " + std::to_string(i)), -1);
        ASSERT_EQ(whole.exitStatus, 0);
        runMicros = std::max(runMicros, whole.micros);
    }
    constexpr int kKills = 100;
    std::mt19937 random(2029);
    int killed = 0;
    std::vector<std::string> names;
    for (int round = 0; round < kKills; ++round) {
        names.push_back("Clip " + std::to_string(round));
        const long delay = static_cast<long>(random() % static_cast<unsigned long>(runMicros + 1));
        killed += testsupport::RunChildAndKill(add(names.back()), delay).killed ? 1 : 0;
    }
    MenuOutline();

    std::set<std::string> recorded;
    for (StoredRecord& record : ReadStoredClipList()) {
        recorded.insert(record["FILENAME"]);
    }
    int orphans = 0;
    int notes = 0;
    ClipKeychain keychain(KeychainPath().c_str());
    for (const std::string& name : names) {
        // A name in use gets its note under a suffixed name: those are looked for too.
        for (const std::string& note : {name, name + "01", name + "02"}) {
            CFObj<CFStringRef> noteName(CreateString(note));
            CFObj<SecKeychainItemRef> item(keychain.FindSecureNote(noteName.Get()));
            notes += item.Get() != nullptr ? 1 : 0;
            orphans += item.Get() != nullptr && recorded.count(note) == 0 ? 1 : 0;
        }
    }
    for (const std::string& note : recorded) {
        EXPECT_NE(NoteData(note), "<none>") << note;
    }
    std::printf("[          ] %d of %d secure adds killed; %d notes, %zu records, %d notes without a record\n",
                killed, kKills, notes, recorded.size(), orphans);
    EXPECT_EQ(orphans, 0);
    EXPECT_GT(killed, 0);
    // A keychain file a killed writer was writing goes with the keychain's next write.
    ASSERT_EQ(testsupport::RunChildAndKill(add("After"), -1).exitStatus, 0);
    EXPECT_EQ(testsupport::EntryNames(ClipsFolder()), (std::set<std::string>{".stashwell-lock", "Stashwell.keychain"}));
}

// The secret goes into the keychain only: not as its flavors, its text, nor as the name proposed
// from it when the user keeps that name (the clip is then named neutrally); in UTF-8, UTF-16 of
// either byte order and Base64.
TEST_F(SecureClipsTest, TheSecretIsNowhereInClearUnderTheUsersFolders)
{
    const std::string secret = "zebra-lantern-4471-quartz";
    const std::u16string secret16 = u"zebra-lantern-4471-quartz";
    mPasswords.Add("pw");
    TestFlavorSet property;
    CFObj<CFStringRef> text(CreateString(secret));
    property.CreateFromCFString(text.Get());
    AddSecureClip("As flavors", property);
    TestFlavorSet plain;
    plain.CreateFromCFString(text.Get());
    plain.mUsePlainText = true;
    AddSecureClip("As text", plain);

    // Both add commands, the proposed name kept and "Store securely" ticked.
    dialogtest::ScriptedUser user;
    user.act = [](WindowRef window, UInt32) {
        PlatformUIClickControl(dialogtest::FindControlByID(window, 5));  // the box handles no command
        EXPECT_EQ(dialogtest::ClickButton(window, kHICommandOK), noErr);
        return false;
    };
    AEDesc selected = {typeNull, nullptr};
    ASSERT_EQ(AECreateDesc('TEXT', secret.data(), static_cast<Size>(secret.size()), &selected), noErr);
    mSession.Pick(kCmdAddSelectedText, selected);
    AEDisposeDesc(&selected);
    ScrapRef scrap = nullptr;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
    ASSERT_EQ(PutScrapFlavor(scrap, 'TEXT', 0, static_cast<Size>(secret.size()), secret.data()), noErr);
    mSession.Pick(kCmdAddClipboardContent);
    // A fixed proposal tells nothing of the content: it is kept.
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
    ASSERT_EQ(PutScrapFlavor(scrap, 'PICT', 0, static_cast<Size>(secret.size()), secret.data()), noErr);
    mSession.Pick(kCmdAddClipboardContent);
    ClearCurrentScrap();
    std::vector<std::string> names;
    for (StoredRecord& record : ReadStoredClipList()) {
        names.push_back(record["NAME"] + "=" + record["FILENAME"]);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"As flavors=As flavors", "As text=As text",
                                                "Secure Clip=Secure Clip", "Secure Clip01=Secure Clip01",
                                                "New Picture Clip=New Picture Clip"}));
    ASSERT_NE(NoteData("As flavors"), "<none>");
    ASSERT_NE(NoteData("Secure Clip01"), "<none>");
    LockKeychain();

    std::u16string swapped;
    for (char16_t unit : secret16) {
        swapped += static_cast<char16_t>((unit >> 8) | (unit << 8));
    }
    const std::string needles[] = {secret, flavortesting::BytesOf(secret16), flavortesting::BytesOf(swapped),
                                   Base64(secret), Base64(flavortesting::BytesOf(u"\xFEFF" + secret16))};
    // The clipboard, under the runtime folder, holds what the user put there.
    int files = 0;
    for (const std::string& folder : {mStorage.ConfigHome(), mStorage.DataHome()}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            ++files;
            const std::string contents = testsupport::ReadFile(entry.path().string());
            for (const std::string& needle : needles) {
                EXPECT_EQ(contents.find(needle), std::string::npos) << entry.path() << " holds the secret";
            }
        }
    }
    EXPECT_GE(files, 2) << "at least the keychain and the preferences were looked through";
}

// What a secure clip's content passes through on its way into the keychain and back out of it is
// wiped before it is freed: once a clip of either form has been stored and pasted, its content is
// in no block of the process, freed or live, as text, as UTF-16 or as the payload's Base64.
TEST_F(SecureClipsTest, TheSecretIsLeftInNoFreedMemory)
{
    CreateKeychain();
    // Made in arrays on the stack, which the search leaves out, so the test itself leaves no copy.
    constexpr size_t kLength = 30;
    char secret[kLength];
    char16_t secret16[kLength + 1] = {0xFEFF};
    std::random_device entropy;
    for (size_t i = 0; i < kLength; ++i) {
        secret[i] = static_cast<char>('a' + entropy() % 26);
        secret16[i + 1] = static_cast<char16_t>(secret[i]);
    }
    char base64[kLength / 3 * 4];
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < kLength; i += 3) {
        const UInt32 group = (UInt8(secret[i]) << 16) | (UInt8(secret[i + 1]) << 8) | UInt8(secret[i + 2]);
        for (size_t digit = 0; digit < 4; ++digit) {
            base64[i / 3 * 4 + digit] = kDigits[(group >> (18 - 6 * digit)) & 0x3F];
        }
    }
    auto store = [](FlavorSet& set, UInt32 type, const void* bytes, size_t size) {
        Ptr block = NewPtr(static_cast<Size>(size));
        std::memcpy(block, bytes, size);
        set[type] = block;
    };
    for (bool plain : {false, true}) {
        FlavorSet flavors;
        store(flavors, 'TEXT', secret, sizeof secret);
        store(flavors, 'utxt', secret16, sizeof secret16);
        flavors.mUsePlainText = plain;
        const size_t live = testsupport::CountInProcessMemory({secret, sizeof secret});
        EXPECT_TRUE(live >= 1 && live != testsupport::kUnreadable) << "the search finds the set's own block";
        AddSecureClip(plain ? "Plain" : "Flavors", flavors);
    }
    ASSERT_EQ(ReadStoredClipList().size(), 2u);
    for (SInt32 clip : {0, 1}) {
        Pick(kCmdPasteClipBase + clip);
        ScrapRef scrap = nullptr;
        Size size = 0;
        ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
        EXPECT_EQ(GetScrapFlavorSize(scrap, 'TEXT', &size), noErr);
        EXPECT_EQ(size, static_cast<Size>(kLength)) << "the clip was pasted";
        ClearCurrentScrap();
    }
    LockKeychain();

    const std::string_view needles[] = {{secret, sizeof secret},
                                        {reinterpret_cast<const char*>(secret16 + 1), kLength * 2},
                                        {base64, sizeof base64}};
    for (std::string_view needle : needles) {
        EXPECT_EQ(testsupport::CountInProcessMemory(needle), 0u) << needle.size();
    }
}

}  // namespace
}  // namespace keychaintest
