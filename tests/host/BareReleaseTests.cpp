// Every Core Foundation reference that the platform, the host or the popup makes, copies or retains
// is held by CFOwner (or released through it), so that each way out of a function, error paths
// included, gives it back exactly once. A CFRelease written by hand is where the next leak or double
// release hides; only the owner and the runtime that implements the call may name it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(SourceOwners, NoCFReleaseOutsideTheOwnerAndTheRuntime)
{
    const fs::path root(STASHWELL_SOURCE_DIR);
    const std::set<std::string> allowed = {"platform/src/base/CFOwner.h", "platform/src/cf/Runtime.cpp"};
    const std::regex call(R"(\bCFRelease\s*\()");
    const std::set<std::string> extensions = {".c", ".cpp", ".h"};
    int files = 0;
    std::string bare;
    for (const char* folder : {"platform/src", "host", "popup"}) {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string name = entry.path().lexically_relative(root).generic_string();
            if (!entry.is_regular_file() || !extensions.count(entry.path().extension().string()) ||
                allowed.count(name))
                continue;
            ++files;
            std::ifstream file(entry.path());
            std::string line;
            for (int number = 1; std::getline(file, line); ++number) {
                if (std::regex_search(line, call))
                    bare += name + ":" + std::to_string(number) + ": " + line + "\n";
            }
        }
    }
    EXPECT_GT(files, 0);
    EXPECT_EQ(bare, "") << "hold these references in platform::CFOwner";
}

}  // namespace
