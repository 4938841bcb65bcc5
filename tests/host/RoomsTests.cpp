// The rooms of the host and of the popup keep one direction: a source file names headers of its own
// room and of rooms below it, never of a room beside it or above it (a terminal never knows the
// menu it draws, a menu never the program that shows it). ARCHITECTURE.md draws the same tiers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

// Each room's tier: a room may include rooms of a lower tier only.
using Tiers = std::map<std::string, int>;
const Tiers kHostTiers = {
    {"terminal", 0}, {"common", 0},                          //
    {"application", 1}, {"manager", 1}, {"user", 1},         //
    {"session", 2}, {"subcommands", 2},                      //
    {"app", 3},
};
const Tiers kPopupTiers = {
    {"desktop", 0}, {"dialogs", 0},  //
    {"menu", 1},                     //
    {"app", 2},
};

// Headers of rooms not in the table (the host's, seen from the popup, or the platform's) are
// another program's and not judged here.
void ExpectEveryIncludeOfAnotherRoomGoesDown(const fs::path& sources, const Tiers& kTiers)
{
    const std::regex include(R"re(^\s*#\s*include\s*"([a-z]+)/[^"]+")re");
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sources)) {
        if (!entry.is_regular_file())
            continue;
        const std::string room = entry.path().parent_path().filename().string();
        ASSERT_TRUE(kTiers.count(room)) << entry.path() << " is in a room without a tier";
        ++files;
        std::ifstream file(entry.path());
        std::string line;
        while (std::getline(file, line)) {
            std::smatch match;
            if (!std::regex_search(line, match, include))
                continue;
            const std::string target = match[1];
            if (target == room || !kTiers.count(target))
                continue;  // its own room, or a header of the platform
            EXPECT_LT(kTiers.at(target), kTiers.at(room))
                << entry.path().lexically_relative(sources) << " includes " << line;
        }
    }
    EXPECT_GT(files, 0);
}

TEST(Rooms, EveryIncludeOfAnotherRoomGoesDown)
{
    ExpectEveryIncludeOfAnotherRoomGoesDown(fs::path(STASHWELL_SOURCE_DIR) / "host" / "src", kHostTiers);
    ExpectEveryIncludeOfAnotherRoomGoesDown(fs::path(STASHWELL_SOURCE_DIR) / "popup" / "src", kPopupTiers);
}

}  // namespace
