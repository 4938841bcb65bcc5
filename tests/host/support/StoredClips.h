// The clips as the user's storage holds them after cmhost processes have worked on it, read from
// outside those processes: the clip list in the preferences file and the package folders in the
// clips folder; and cmhost run as a child that can be killed at a chosen moment.
#pragma once

#include "host/support/CmhostRun.h"

#include "support/KillLoop.h"
#include "support/StoredClipList.h"

#include <CoreFoundation/CoreFoundation.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace hosttest {

// How many regular files below folder hold the ASCII text, as UTF-8 or as UTF-16 (a clipboard keeps
// both).
inline int CountFilesHolding(const std::string& folder, const std::string& text)
{
    const std::u16string wide(text.begin(), text.end());
    const std::string utf16(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
    int holding = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string bytes = entry.is_regular_file() ? testsupport::ReadFile(entry.path().string()) : "";
        holding += bytes.find(text) != std::string::npos || bytes.find(utf16) != std::string::npos ? 1 : 0;
    }
    return holding;
}

// The storage as a user would find it, counted.
struct StorageAudit {
    std::vector<cliplisttest::StoredRecord> records;
    std::multiset<std::string> names;
    std::vector<std::string> missingPackages;  // plain records whose package folder is not there
    std::vector<std::string> orphans;          // package folders that no record names
    std::vector<std::string> temporaries;      // the clips folder's machinery, less its lock file
    std::vector<std::string> sharedPackages;   // package folders that more than one record names
};

inline StorageAudit AuditStorage(const std::string& clipsFolder)
{
    StorageAudit audit;
    audit.records = cliplisttest::ReadStoredClipList();
    std::multiset<std::string> named;
    for (cliplisttest::StoredRecord& record : audit.records) {
        audit.names.insert(record["NAME"]);
        if (record["SECURE"] == "true")
            continue;
        const std::string& fileName = record["FILENAME"];
        named.insert(fileName);
        if (fileName.empty() || !std::filesystem::is_directory(clipsFolder + "/" + fileName))
            audit.missingPackages.push_back(record["NAME"] + " -> " + fileName);
    }
    for (const std::string& entry : testsupport::EntryNames(clipsFolder)) {
        if (entry == ".stashwell-lock" || entry == "Stashwell.keychain")
            continue;
        if (entry.rfind(".stashwell-", 0) == 0)
            audit.temporaries.push_back(entry);
        else if (named.count(entry) == 0)
            audit.orphans.push_back(entry);
        else if (named.count(entry) > 1)
            audit.sharedPackages.push_back(entry);
    }
    return audit;
}

inline void ExpectNothingLeftOver(const StorageAudit& audit, const std::string& when = "")
{
    EXPECT_EQ(audit.missingPackages, std::vector<std::string>()) << when << ": records whose package is missing";
    EXPECT_EQ(audit.orphans, std::vector<std::string>()) << when << ": packages that no record names";
    EXPECT_EQ(audit.temporaries, std::vector<std::string>()) << when << ": temporaries left in the clips folder";
    EXPECT_EQ(audit.sharedPackages, std::vector<std::string>()) << when << ": packages named by more than one record";
}

// Runs cmhost (arguments[0] is the program) with its output thrown away; killed delayMicros after
// it starts, never when delayMicros < 0.
inline testsupport::ChildEnd RunCmhostOrKill(const std::vector<std::string>& arguments, long delayMicros)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return testsupport::RunChildAndKill(
        [&] {
            int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execv(argv[0], argv.data());
            return 127;
        },
        delayMicros);
}

}  // namespace hosttest
