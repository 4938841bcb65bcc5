// The host's rooms keep one direction: a source file names headers of its own room and of rooms
// below it, never of a room beside it or above it (a terminal never knows the menu it draws).
// ARCHITECTURE.md draws the same tiers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

// Each room's tier: a room may include rooms of a lower tier only.
const std::map<std::string, int> kTiers = {
    {"terminal", 0}, {"common", 0},                          //
    {"application", 1}, {"manager", 1}, {"user", 1},         //
    {"session", 2}, {"subcommands", 2},                      //
    {"app", 3},
};

TEST(HostRooms, EveryIncludeOfAnotherRoomGoesDown)
{
    const fs::path sources = fs::path(STASHWELL_SOURCE_DIR) / "host" / "src";
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

}  // namespace
