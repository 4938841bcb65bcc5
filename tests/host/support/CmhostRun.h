// cmhost run as users and scripts run it: a child process over storage folders of the test's own,
// judged by what it prints and its exit status; and the pieces of its reports that tests compare.
#pragma once

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace hosttest {

using nlohmann::json;
using testsupport::ProcessResult;
using testsupport::RunProcess;

inline const std::string kCmhost = STASHWELL_BUILD_DIR "/cmhost";
inline const std::string kBundle = STASHWELL_BUNDLE_DIR;
inline const std::string kScriptedBundle = STASHWELL_SCRIPTED_BUNDLE_DIR;
inline const std::string kSetsid = "/usr/bin/setsid";

// Command-V down and up, as a paste posts it.
inline const json kPasteKeystrokes = json::parse(R"([
    {"char": 0, "key": 55, "down": true}, {"char": 118, "key": 9, "down": true},
    {"char": 118, "key": 9, "down": false}, {"char": 0, "key": 55, "down": false}])");

inline size_t LineCount(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The lines of standard error that the host wrote, not a plug-in.
inline std::vector<std::string> HostLines(const std::string& err)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end = 0; start < err.size(); start = end + 1) {
        end = std::min(err.find('\n', start), err.size());
        if (err.compare(start, 8, "cmhost: ") == 0)
            lines.push_back(err.substr(start, end - start));
    }
    return lines;
}

// The records of a menu report that are not submenus, at any depth, as "Title" or "Sub/Title"
// paths with their command ids.
inline void CollectCommands(const json& items, const std::string& prefix, std::vector<std::pair<std::string, int>>& into)
{
    for (const json& item : items) {
        const std::string path = prefix + item.value("name", "");
        if (item.contains("submenu"))
            CollectCommands(item["submenu"], path + "/", into);
        else
            into.emplace_back(path, item.value("command", 0));
    }
}

class CmhostTest : public testing::Test {
protected:
    // Runs cmhost with mPrefix before the arguments; detached: in a session of its own, without a
    // terminal to ask the user on.
    ProcessResult Run(const std::vector<std::string>& arguments, const std::string& input = "",
                      bool detached = false)
    {
        std::vector<std::string> full = mPrefix;
        full.insert(full.end(), arguments.begin(), arguments.end());
        if (!detached)
            return RunProcess(kCmhost, full, input);
        full.insert(full.begin(), {"-w", kCmhost});
        return RunProcess(kSetsid, full, input);
    }

    // The JSON report of a run that succeeded; fails the test otherwise. The run stays in mLast.
    json Json(const std::vector<std::string>& arguments, bool detached = false)
    {
        mLast = Run(arguments, "", detached);
        EXPECT_EQ(mLast.exitStatus, 0) << mLast.err;
        if (!json::accept(mLast.out)) {
            ADD_FAILURE() << "not JSON: " << mLast.out << mLast.err;
            return json::object();
        }
        return json::parse(mLast.out);
    }

    // The menu's commands (separators left out) as paths, for the context given.
    std::vector<std::string> MenuPaths(std::vector<std::string> context = {"--text", "x"})
    {
        context.insert(context.end(), {"menu", "--json"});
        std::vector<std::pair<std::string, int>> commands;
        CollectCommands(Json(context)["items"], "", commands);
        std::vector<std::string> paths;
        for (const auto& [path, command] : commands) {
            if (command != 0)
                paths.push_back(path);
        }
        return paths;
    }

    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }
    // What the clips folder holds but its lock file, which stays once made: packages, the keychain,
    // and any intent or work folder a writer left.
    std::set<std::string> Packages() const
    {
        std::set<std::string> names = testsupport::EntryNames(ClipsFolder());
        names.erase(".stashwell-lock");
        return names;
    }

    testsupport::ScopedStorageEnvironment mStorage;
    testsupport::ScopedTempDir mFolder;
    std::vector<std::string> mPrefix;
    ProcessResult mLast;
};

// A usage error: exit status 2, one line on standard error that names the cause, nothing printed.
inline void ExpectUsageError(const ProcessResult& result, const std::string& cause)
{
    EXPECT_EQ(result.exitStatus, 2) << result.err;
    EXPECT_EQ(LineCount(result.err), 1u) << result.err;
    EXPECT_EQ(result.err.rfind("cmhost: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(cause), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

template <class Entry, class Wanted>
bool Contains(const std::vector<Entry>& list, const Wanted& entry)
{
    return std::find(list.begin(), list.end(), entry) != list.end();
}

inline bool Contains(const std::string& text, const std::string& piece)
{
    return text.find(piece) != std::string::npos;
}

}  // namespace hosttest
