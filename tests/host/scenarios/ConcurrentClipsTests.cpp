// Many cmhost processes of one user changing one clip list at once, as menus opened in several
// applications do: adders racing adders, adders racing deleters, and adders killed at random
// moments beside adders that finish. Each save applies its own change to the list as it is on disk
// at that moment, so afterwards the list holds exactly the clips added and not deleted, every record
// names a package that exists, no package is left without a record, and nothing of the clips
// folder's machinery stays behind once a later run has swept it.
#include "host/support/StoredClips.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace {

using namespace hosttest;
namespace fs = std::filesystem;

// Under the sanitizers every run costs several times as much: fewer clips keep the run short, and
// eight processes still overlap all the time.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kClipsPerAdder = 12;
constexpr int kFirstSecureRounds = 2;
#else
constexpr int kClipsPerAdder = 50;
constexpr int kFirstSecureRounds = 3;
#endif

// The arguments of one "Add Selected Text..." that names the clip name.
std::vector<std::string> AddArguments(const std::string& name)
{
    return {"--text", "Text of " + name, "--dialog", json{{"name", name}}.dump(),
            "choose", "--path", "Stashwell/Add Selected Text...", "--json"};
}

std::vector<std::string> DeleteArguments(const std::string& name)
{
    return {"--option", "--text", "x", "choose", "--path", "Stashwell/- " + name, "--json"};
}

// Why a run that reports in JSON failed: an exit status other than 0, a report that does not read,
// or an alert (a failure the user was shown); "" when it did not.
std::string Failure(const ProcessResult& result)
{
    if (result.exitStatus != 0)
        return "exit status " + std::to_string(result.exitStatus) + " " + result.err;
    if (!json::accept(result.out))
        return "no report " + result.err;
    if (!json::parse(result.out)["alerts"].empty())
        return "alerts " + json::parse(result.out)["alerts"].dump();
    return "";
}

class ConcurrentClips : public CmhostTest {
protected:
    StorageAudit Audit() const { return AuditStorage(ClipsFolder()); }

    // Runs each script in a process chain of its own, all chains at once; each chain runs its
    // commands one after the other. Answers every command that failed, and why.
    std::vector<std::string> RunConcurrently(const std::vector<std::vector<std::vector<std::string>>>& scripts)
    {
        std::vector<std::vector<std::string>> failures(scripts.size());
        std::vector<std::thread> chains;
        for (size_t chain = 0; chain < scripts.size(); ++chain) {
            chains.emplace_back([&, chain] {
                for (const std::vector<std::string>& arguments : scripts[chain]) {
                    const std::string failure = Failure(Run(arguments));
                    if (!failure.empty())
                        failures[chain].push_back(testing::PrintToString(arguments) + ": " + failure);
                }
            });
        }
        for (std::thread& chain : chains)
            chain.join();
        std::vector<std::string> all;
        for (const std::vector<std::string>& each : failures)
            all.insert(all.end(), each.begin(), each.end());
        return all;
    }

    // Names from prefix0-0 to prefix(processes-1)-(count-1), and one script per process that runs
    // the command for each of its names.
    static std::vector<std::vector<std::vector<std::string>>> Scripts(
        const std::string& prefix, int processes, int count, std::vector<std::string> (*command)(const std::string&),
        std::multiset<std::string>& names)
    {
        std::vector<std::vector<std::vector<std::string>>> scripts(static_cast<size_t>(processes));
        for (int process = 0; process < processes; ++process) {
            for (int clip = 0; clip < count; ++clip) {
                const std::string name = prefix + std::to_string(process) + "-" + std::to_string(clip);
                names.insert(name);
                scripts[static_cast<size_t>(process)].push_back(command(name));
            }
        }
        return scripts;
    }
};

// Four adders racing each other and four deleters, eight processes at once: every clip added is
// kept exactly once with a package of its own, and nothing deleted comes back.
TEST_F(ConcurrentClips, AddersRacingDeletersLoseNothingAndBringNothingBack)
{
    constexpr int kProcesses = 4;
    constexpr int kDeletesEach = kClipsPerAdder / 5;
    constexpr int kKept = kClipsPerAdder / 5;
    // The clips the deleters delete, and some that nobody touches, added one after the other.
    std::multiset<std::string> doomed;
    std::multiset<std::string> kept;
    std::vector<std::vector<std::vector<std::string>>> before = Scripts("D", kProcesses, kDeletesEach, AddArguments, doomed);
    before.push_back(Scripts("K", 1, kKept, AddArguments, kept)[0]);
    std::vector<std::vector<std::string>> oneChain;
    for (const auto& script : before)
        oneChain.insert(oneChain.end(), script.begin(), script.end());
    ASSERT_EQ(RunConcurrently({oneChain}), std::vector<std::string>());
    ASSERT_EQ(Audit().names.size(), doomed.size() + kept.size());

    std::multiset<std::string> added;
    std::multiset<std::string> deleted;
    std::vector<std::vector<std::vector<std::string>>> scripts =
        Scripts("A", kProcesses, kClipsPerAdder, AddArguments, added);
    for (auto& script : Scripts("D", kProcesses, kDeletesEach, DeleteArguments, deleted))
        scripts.push_back(std::move(script));
    std::vector<std::string> failures = RunConcurrently(scripts);

    StorageAudit audit = Audit();
    std::multiset<std::string> expected = added;
    expected.insert(kept.begin(), kept.end());
    std::vector<std::string> lost;
    std::set_difference(expected.begin(), expected.end(), audit.names.begin(), audit.names.end(),
                        std::back_inserter(lost));
    std::vector<std::string> resurrected;
    std::set_intersection(deleted.begin(), deleted.end(), audit.names.begin(), audit.names.end(),
                          std::back_inserter(resurrected));
    std::printf("[          ] %d adders (%d clips each) racing %d deleters (%d clips each): %zu records, %zu lost, "
                "%zu deleted ones back, %zu failed runs, %zu orphan packages\n",
                kProcesses, kClipsPerAdder, kProcesses, kDeletesEach, audit.records.size(), lost.size(),
                resurrected.size(), failures.size(), audit.orphans.size());
    EXPECT_EQ(failures, std::vector<std::string>());
    EXPECT_EQ(lost, std::vector<std::string>());
    EXPECT_EQ(resurrected, std::vector<std::string>());
    EXPECT_EQ(audit.names, expected) << "every clip added exactly once";
    EXPECT_EQ(Packages().size(), expected.size()) << "one package per clip";
    ExpectNothingLeftOver(audit);
}

TEST_F(ConcurrentClips, AddersKilledAnywhereLeaveNothingTheNextRunKeeps)
{
    // A few MiB on the clipboard, so that storing a clip takes many writes and a kill often lands
    // in the middle of them.
    std::string picture(3 << 20, '\0');
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>((i * 131 + i / 4099) & 0xFF);
    const std::string pictureFile = mFolder.Child("picture");
    testsupport::WriteFile(pictureFile, picture);
    ProcessResult set = Run({"clipboard", "set", "PICT=@" + pictureFile, "TEXT=text:A caption"});
    ASSERT_EQ(set.exitStatus, 0) << set.err;
    auto victim = [](const std::string& name) {
        return std::vector<std::string>{kCmhost, "--dialog", json{{"name", name}}.dump(), "choose", "--path",
                                        "Stashwell/Add Clipboard Content..."};
    };

    // Whole runs first: how long one takes, so that the kills spread over a whole run.
    long runMicros = 1000;
    for (const char* name : {"Whole 1", "Whole 2"}) {
        testsupport::ChildEnd whole = RunCmhostOrKill(victim(name), -1);
        ASSERT_EQ(whole.exitStatus, 0);
        runMicros = std::max(runMicros, whole.micros);
    }

    constexpr int kRounds = 30;
    std::mt19937 random(4711);
    std::multiset<std::string> bystanders;
    std::vector<std::string> failures;
    int killed = 0;
    int killedWhileStoring = 0;  // killed after making their intent or package
    for (int round = 0; round < kRounds; ++round) {
        // Beside each victim a clip added by a process that finishes: a writer that dies holding a
        // lock must not stop it, nor lose its clip.
        const std::string bystander = "Bystander " + std::to_string(round);
        bystanders.insert(bystander);
        ProcessResult bystanderRun;
        std::thread beside([&] { bystanderRun = Run(AddArguments(bystander)); });
        // Every fifth victim is let finish: it keeps the run time measured beside a bystander, so
        // that the kills reach the end of a run too. The last one is killed, and what it left
        // waits for the next run.
        const bool whole = round % 5 == 2;
        const long delay = whole ? -1 : static_cast<long>(random() % static_cast<unsigned long>(runMicros + 1));
        const std::string victimName = "Victim " + std::to_string(round);
        testsupport::ChildEnd end = RunCmhostOrKill(victim(victimName), delay);
        beside.join();
        ASSERT_TRUE(end.started);
        if (whole)
            runMicros = std::max(runMicros, end.micros);
        if (end.killed) {
            ++killed;
            for (const std::string& entry : Packages()) {
                if (entry == victimName || entry.rfind(".stashwell-", 0) == 0) {
                    ++killedWhileStoring;
                    break;
                }
            }
        } else if (end.exitStatus != 0) {
            failures.push_back(victimName + " exit status " + std::to_string(end.exitStatus));
        }
        if (const std::string failure = Failure(bystanderRun); !failure.empty())
            failures.push_back(bystander + ": " + failure);
    }

    // The next run sweeps what the dead writers left.
    StorageAudit left = Audit();
    ProcessResult next = Run({"menu", "--json"});
    EXPECT_EQ(next.exitStatus, 0) << next.err;
    StorageAudit audit = Audit();
    std::vector<std::string> lostBystanders;
    std::set_difference(bystanders.begin(), bystanders.end(), audit.names.begin(), audit.names.end(),
                        std::back_inserter(lostBystanders));
    int victimsRecorded = 0;
    for (cliplisttest::StoredRecord& record : audit.records) {
        if (record["NAME"].rfind("Victim ", 0) != 0 && record["NAME"].rfind("Whole ", 0) != 0)
            continue;
        victimsRecorded += record["NAME"].rfind("Victim ", 0) == 0 ? 1 : 0;
        // A recorded clip is whole: every flavor file with every byte.
        EXPECT_EQ(record["FLAVORS"], "PICT,TEXT") << record["NAME"];
        EXPECT_TRUE(testsupport::ReadFile(ClipsFolder() + "/" + record["FILENAME"] + "/PICT") == picture)
            << record["NAME"] << " has a damaged picture";
    }
    std::printf("[          ] %d rounds, longest whole run %ld us: %d victims killed, %d of them while storing; %d "
                "victims recorded; %zu bystanders lost, %zu failed runs; after the next run %zu orphan packages, %zu "
                "temporaries, %zu records without a package (before it %zu orphans, %zu temporaries)\n",
                kRounds, runMicros, killed, killedWhileStoring, victimsRecorded, lostBystanders.size(),
                failures.size(), audit.orphans.size(), audit.temporaries.size(), audit.missingPackages.size(),
                left.orphans.size(), left.temporaries.size());
    EXPECT_EQ(failures, std::vector<std::string>());
    EXPECT_EQ(lostBystanders, std::vector<std::string>());
    EXPECT_EQ(audit.names.count("Whole 1") + audit.names.count("Whole 2"), 2u);
    ExpectNothingLeftOver(audit);
    // The menu offers exactly the recorded clips: nothing a dead writer left shows in it.
    std::vector<std::pair<std::string, int>> commands;
    CollectCommands(json::parse(next.out)["items"], "", commands);
    std::multiset<std::string> offered;
    for (const auto& [path, command] : commands) {
        if (command >= 200 && command < 2200)
            offered.insert(path.substr(path.find('/') + 1));
    }
    EXPECT_EQ(offered, audit.names);
    // Some kills must have come while a clip was being stored, or the loop tested nothing of it.
    EXPECT_GT(killedWhileStoring, 0);
}

// A clip pasted while another process deletes it: the clipboard gets the whole clip and the paste
// is typed, or the clipboard keeps what it held, nothing is typed and the user is told. Never a
// part of the clip, never a silent nothing.
TEST_F(ConcurrentClips, APasteRacingADeleteIsWholeOrTold)
{
    // Many flavors, so that the paste reads file after file for a while and the delete often
    // lands in the middle.
    constexpr int kFlavors = 32;
    constexpr int kFlavorBytes = 128 << 10;
    const std::string flavorFile = mFolder.Child("flavor");
    testsupport::WriteFile(flavorFile, std::string(kFlavorBytes, 'f'));
    std::vector<std::string> setArguments = {"clipboard", "set"};
    for (int i = 0; i < kFlavors; ++i) {
        char type[5];
        std::snprintf(type, sizeof type, "F%03d", i);
        setArguments.push_back(std::string(type) + "=@" + flavorFile);
    }
    constexpr int kRounds = 8;
    std::mt19937 random(1742);
    int pasted = 0;
    int told = 0;
    int notShown = 0;  // the delete was done before the menu opened
    int torn = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(Run(setArguments).exitStatus, 0);
        ASSERT_EQ(Failure(Run({"--dialog", json{{"name", "Racing"}}.dump(), "choose", "--path",
                               "Stashwell/Add Clipboard Content...", "--json"})),
                  "");
        ASSERT_EQ(Run({"clipboard", "set", "TEXT=text:before"}).exitStatus, 0);
        // Either side starts up to 30 ms after the other, so that the delete lands before, during
        // and after the paste's read.
        const long lead = static_cast<long>(random() % 60000) - 30000;
        ProcessResult paste;
        ProcessResult erase;
        std::thread deleter([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(std::max(0L, lead)));
            erase = Run(DeleteArguments("Racing"));
        });
        std::this_thread::sleep_for(std::chrono::microseconds(std::max(0L, -lead)));
        // By its id: a menu opened after the delete has no such item, and picks nothing.
        paste = Run({"--text", "x", "choose", "--id", "200", "--json"});
        deleter.join();
        ASSERT_EQ(paste.exitStatus, 0) << paste.err;
        ASSERT_EQ(Failure(erase), "");
        const json report = json::parse(paste.out);
        const json clipboard = json::parse(Run({"clipboard", "show", "--json"}).out)["flavors"];
        const bool whole = clipboard.size() == static_cast<size_t>(kFlavors) || clipboard.size() == 1u;
        torn += whole ? 0 : 1;
        if (!report["keystrokes"].empty()) {
            ++pasted;
            EXPECT_EQ(clipboard.size(), static_cast<size_t>(kFlavors)) << clipboard.dump();
            for (const json& flavor : clipboard)
                EXPECT_EQ(flavor["size"], kFlavorBytes) << flavor.dump();
        } else {
            EXPECT_EQ(clipboard.size(), 1u) << clipboard.dump();
            told += report["alerts"].empty() ? 0 : 1;
            notShown += report["alerts"].empty() ? 1 : 0;
            for (const json& alert : report["alerts"])
                EXPECT_EQ(alert["message"].get<std::string>().rfind("The clip could not be read whole", 0), 0u);
        }
        EXPECT_TRUE(Audit().names.empty());
    }
    std::printf("[          ] %d pastes racing a delete of their clip: %d pasted whole, %d told, %d after the delete, "
                "%d torn\n",
                kRounds, pasted, told, notShown, torn);
}

// No keychain yet, and several applications store their first secure clip at the same moment: each
// asks for a new keychain's password, one makes the keychain, and the others store their clips in
// it (asking for its password, which the same file answers). Round after round, no clip is lost.
TEST_F(ConcurrentClips, FirstSecureClipsAtOnceAllGoIntoTheOneKeychain)
{
    constexpr int kProcesses = 3;
    const std::string password = mFolder.Child("password");
    testsupport::WriteFile(password, "shared secret");
    const fs::path preferences =
        fs::path(std::getenv("XDG_CONFIG_HOME")) / "preferences" / "org.stashwell.cmplugin.plist";
    size_t lost = 0;
    std::vector<std::string> failures;
    for (int round = 0; round < kFirstSecureRounds; ++round) {
        fs::remove_all(ClipsFolder());
        fs::remove(preferences);
        std::multiset<std::string> added;
        std::vector<std::vector<std::vector<std::string>>> scripts;
        for (int process = 0; process < kProcesses; ++process) {
            const std::string name = "S" + std::to_string(round) + "-" + std::to_string(process);
            added.insert(name);
            scripts.push_back({{"--password-file", password, "--text", "secret of " + name, "--dialog",
                                json{{"name", name}, {"secure", true}}.dump(), "choose", "--id", "100", "--json"}});
        }
        std::vector<std::string> roundFailures = RunConcurrently(scripts);
        failures.insert(failures.end(), roundFailures.begin(), roundFailures.end());
        const std::multiset<std::string> stored = Audit().names;
        std::vector<std::string> missing;
        std::set_difference(added.begin(), added.end(), stored.begin(), stored.end(), std::back_inserter(missing));
        lost += missing.size();
        // Each clip pastes its own secret from the one keychain.
        for (const std::string& name : added) {
            json pasted =
                Json({"--password-file", password, "--text", "x", "choose", "--path", "Stashwell/" + name, "--json"});
            EXPECT_EQ(pasted["document"], "secret of " + name) << name;
        }
        Run({"--text", "x", "choose", "--id", "127"});
    }
    std::printf("[          ] %d rounds of %d first secure clips at once: %zu lost, %zu failed runs\n",
                kFirstSecureRounds, kProcesses, lost, failures.size());
    EXPECT_EQ(lost, 0u);
    EXPECT_EQ(failures, std::vector<std::string>());
}

}  // namespace
