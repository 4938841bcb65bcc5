// "Add Clipboard Content..." in a cmhost process killed at random moments of its run: afterwards
// the clip list in the preferences still reads, every recorded clip's package holds every flavor
// file its record lists with the bytes that were on the clipboard, the clips made before are
// untouched, and a package folder left without a record never reaches the menu.
#include "StoredClips.h"

#include <cstdio>
#include <map>
#include <random>

namespace {

using namespace hosttest;

class ClipCrash : public CmhostTest {
protected:
    void SetUp() override
    {
        // Three flavors large enough that storing them takes many writes.
        std::string picture(300000, '\0');
        for (size_t i = 0; i < picture.size(); ++i) {
            picture[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
        }
        std::string text;
        while (text.size() < 60000) {
            text += "Line " + std::to_string(text.size()) + " of the copied text.\n";
        }
        mFlavors = {{"PICT", picture}, {"TEXT", text}, {"styl", std::string(20000, '\x07')}};
        std::vector<std::string> arguments = {"clipboard", "set"};
        for (const auto& [type, bytes] : mFlavors) {
            std::string file = mFolder.Child(type);
            testsupport::WriteFile(file, bytes);
            arguments.push_back(type + "=@" + file);
        }
        ProcessResult set = Run(arguments);
        ASSERT_EQ(set.exitStatus, 0) << set.err;
    }

    // The arguments of one "Add Clipboard Content..." that names the clip name.
    static std::vector<std::string> AddArguments(const std::string& name)
    {
        return {kCmhost, "--dialog", json{{"name", name}}.dump(), "choose", "--id", "101"};
    }

    // Every flavor file the record lists is in its package with the bytes from the clipboard.
    void ExpectPackageWhole(const ClipEntry& entry, const std::string& when)
    {
        ASSERT_FALSE(entry.fileName.empty()) << when << ": " << entry.name << " has no package";
        EXPECT_EQ(entry.flavors.size(), mFlavors.size()) << when << ": " << entry.name;
        for (const std::string& type : entry.flavors) {
            auto expected = mFlavors.find(type);
            ASSERT_NE(expected, mFlavors.end()) << when << ": " << entry.name << " lists " << type;
            std::string stored = testsupport::ReadFile(ClipsFolder() + "/" + entry.fileName + "/" + type);
            EXPECT_TRUE(stored == expected->second)
                << when << ": flavor " << type << " of " << entry.name << " holds " << stored.size() << " bytes, not the "
                << expected->second.size() << " copied";
        }
    }

    // The clip names the root submenu offers: its commands less the items shown with the Option key
    // held (deleting a clip, ids from 2200) and the commands that end in "...".
    std::vector<std::string> MenuClips()
    {
        std::vector<std::pair<std::string, int>> commands;
        CollectCommands(Json({"--text", "x", "menu", "--json"})["items"], "", commands);
        std::vector<std::string> names;
        for (const auto& [path, command] : commands) {
            if (command != 0 && command < 2200 && !path.ends_with("..."))
                names.push_back(path.substr(path.find('/') + 1));
        }
        return names;
    }

    std::map<std::string, std::string> mFlavors;  // type, bytes
};

TEST_F(ClipCrash, AddingAClipKilledAnywhereKeepsEveryRecordedClipWhole)
{
    // Whole runs first: the clips to check against, and the time a run takes (the longest of
    // them, so that the kills reach the end of a slow run too).
    long runMicros = 1000;
    for (const char* name : {"First", "Second", "Third"}) {
        testsupport::ChildEnd timed = RunCmhostOrKill(AddArguments(name), -1);
        ASSERT_EQ(timed.exitStatus, 0);
        runMicros = std::max(runMicros, timed.micros);
    }
    std::vector<ClipEntry> list = ReadClipList();
    ASSERT_EQ(list.size(), 3u);
    for (const ClipEntry& entry : list) {
        ExpectPackageWhole(entry, "before");
    }

    constexpr int kRounds = 36;
    std::mt19937 random(1013);
    int killed = 0;
    int recorded = 0;
    int reachedStorage = 0;  // killed runs that had made their package folder, recorded or not
    for (int round = 0; round < kRounds; ++round) {
        const std::string name = "Clip " + std::to_string(round);
        // Every sixth run is let finish: it must record its clip, and it keeps the measured run
        // time up with the machine's load, so that the kills keep reaching the end of a run.
        const bool whole = round % 6 == 5;
        long delay = whole ? -1 : static_cast<long>(random() % static_cast<unsigned long>(runMicros + 1));
        std::set<std::string> packagesBefore = Packages();
        testsupport::ChildEnd end = RunCmhostOrKill(AddArguments(name), delay);
        ASSERT_TRUE(end.started);
        ASSERT_TRUE(end.killed || end.exitStatus == 0) << "cmhost failed with " << end.exitStatus;
        if (whole) {
            runMicros = std::max(runMicros, end.micros);
        }
        const std::string when = "round " + std::to_string(round) + " (kill after " + std::to_string(delay) + " us)";

        std::vector<ClipEntry> now = ReadClipList();
        ASSERT_TRUE(now.size() == list.size() || now.size() == list.size() + 1)
            << when << ": " << now.size() << " clips, " << list.size() << " before";
        EXPECT_TRUE(std::equal(list.begin(), list.end(), now.begin())) << when << ": an earlier clip changed";
        if (now.size() > list.size()) {
            EXPECT_EQ(now.back().name, name) << when;
            ExpectPackageWhole(now.back(), when);
            recorded += end.killed ? 1 : 0;
        } else {
            EXPECT_TRUE(end.killed) << when << ": a run that finished recorded nothing";
        }
        if (end.killed && Packages().size() > packagesBefore.size()) {
            ++reachedStorage;
        }
        killed += end.killed ? 1 : 0;
        list = now;
    }
    for (const ClipEntry& entry : list) {
        ExpectPackageWhole(entry, "at the end");
    }

    // Packages left by runs killed before their record: what the next menu makes of them.
    std::set<std::string> recordedPackages;
    std::vector<std::string> names;
    for (const ClipEntry& entry : list) {
        recordedPackages.insert(entry.fileName);
        names.push_back(entry.name);
    }
    std::set<std::string> packages = Packages();
    std::vector<std::string> orphans;
    std::set_difference(packages.begin(), packages.end(), recordedPackages.begin(), recordedPackages.end(),
                        std::back_inserter(orphans));
    std::printf("[          ] longest whole run: %ld us; %d of %d runs killed, %d of them after making their "
                "package, %d after recording it; %zu package folders left without a record\n",
                runMicros, killed, kRounds, reachedStorage, recorded, orphans.size());
    std::vector<std::string> offered = MenuClips();
    std::sort(offered.begin(), offered.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(offered, names) << "the menu offers exactly the recorded clips";
    EXPECT_GT(killed, 0);
    // Some kills must have come while the clip was being stored, or the loop tested nothing of it.
    EXPECT_GT(reachedStorage, 0);
}

}  // namespace
