// The rooms of the host, of the popup and of the plug-in keep one direction: a source file names
// headers of its own room and of rooms below it, never of a room beside it or above it (a terminal
// never knows the menu it draws, a menu never the program that shows it). ARCHITECTURE.md draws the
// same tiers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

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
// The plug-in's rooms stand at the top of the repository, beside everything else.
const Tiers kPluginTiers = {
    {"support", 0},  //
    {"content", 1},  //
    {"secure", 2},   //
    {"plugin", 3},   //
    {"menu", 4},     //
    {"commands", 5},
};

std::vector<fs::path> RoomFolders(const fs::path& sources, const Tiers& kTiers)
{
    std::vector<fs::path> folders;
    for (const auto& [room, tier] : kTiers)
        folders.push_back(sources / room);
    return folders;
}

// Headers of rooms not in the table (the host's, seen from the popup, or the platform's) are
// another program's and not judged here. With onlyTheRooms the folder holds other things than the
// rooms (the plug-in's, at the top of the repository), and only the rooms of the table are read.
void ExpectEveryIncludeOfAnotherRoomGoesDown(const fs::path& sources, const Tiers& kTiers, bool onlyTheRooms = false)
{
    const std::regex include(R"re(^\s*#\s*include\s*"([a-z]+)/[^"]+")re");
    std::vector<fs::path> files;
    for (const fs::path& folder : onlyTheRooms ? RoomFolders(sources, kTiers) : std::vector<fs::path>{sources})
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    for (const fs::path& path : files) {
        const std::string room = path.lexically_relative(sources).begin()->string();
        ASSERT_TRUE(kTiers.count(room)) << path << " is in a room without a tier";
        std::ifstream file(path);
        std::string line;
        while (std::getline(file, line)) {
            std::smatch match;
            if (!std::regex_search(line, match, include))
                continue;
            const std::string target = match[1];
            if (target == room || !kTiers.count(target))
                continue;  // its own room, or a header of the platform
            EXPECT_LT(kTiers.at(target), kTiers.at(room))
                << path.lexically_relative(sources) << " includes " << line;
        }
    }
    EXPECT_FALSE(files.empty());
}

TEST(Rooms, EveryIncludeOfAnotherRoomGoesDown)
{
    ExpectEveryIncludeOfAnotherRoomGoesDown(fs::path(STASHWELL_SOURCE_DIR) / "host" / "src", kHostTiers);
    ExpectEveryIncludeOfAnotherRoomGoesDown(fs::path(STASHWELL_SOURCE_DIR) / "popup" / "src", kPopupTiers);
    ExpectEveryIncludeOfAnotherRoomGoesDown(fs::path(STASHWELL_SOURCE_DIR), kPluginTiers, true);
}

}  // namespace
