// `cmhost clipboard` run as users and scripts run it: a child process over a clipboard of its own,
// judged by what it prints and its exit status.
#include "Subprocess.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <thread>

namespace {

using hosttest::ProcessResult;
using hosttest::RunProcess;

const std::string kCmhost = STASHWELL_BUILD_DIR "/cmhost";

class ClipboardProgram : public testing::Test {
protected:
    ProcessResult Run(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> full = {"clipboard"};
        full.insert(full.end(), arguments.begin(), arguments.end());
        return RunProcess(kCmhost, full);
    }

    // The flavors that `show --json` prints; fails the test when it does not succeed.
    nlohmann::json Show()
    {
        ProcessResult shown = Run({"show", "--json"});
        EXPECT_EQ(shown.exitStatus, 0) << shown.err;
        nlohmann::json parsed = nlohmann::json::parse(shown.out, nullptr, false);
        EXPECT_TRUE(parsed.is_object() && parsed["flavors"].is_array()) << shown.out;
        return parsed.is_object() ? parsed["flavors"] : nlohmann::json::array();
    }

    void ExpectUsageError(const std::vector<std::string>& arguments, const std::string& cause)
    {
        ProcessResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, 2) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(cause), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }

    testsupport::ScopedStorageEnvironment mStorage;
};

TEST_F(ClipboardProgram, SetThenShowGivesTheFlavorsBackInOrder)
{
    ProcessResult set = Run({"set", "utxt=text:ab", "TEXT=text:caf\xC3\xA9", "PICT=hex:00FF10", "snd=hex:",
                             "\xC2\xA9opy=text:\xCE\xB1"});
    ASSERT_EQ(set.exitStatus, 0) << set.err;
    EXPECT_EQ(set.out, "");

    nlohmann::json flavors = Show();
    ASSERT_EQ(flavors.size(), 5u) << flavors.dump();
    // U+FEFF then UTF-16, in the byte order of this (little-endian) machine.
    EXPECT_EQ(flavors[0], nlohmann::json({{"type", "utxt"}, {"flags", 0}, {"size", 6}, {"hex", "fffe61006200"}}));
    // Mac OS Roman: é is 0x8E.
    EXPECT_EQ(flavors[1]["type"], "TEXT");
    EXPECT_EQ(flavors[1]["hex"], "6361668e");
    EXPECT_EQ(flavors[2]["type"], "PICT");
    EXPECT_EQ(flavors[2]["hex"], "00ff10");
    // A short type is padded with blanks; an empty flavor is still a flavor.
    EXPECT_EQ(flavors[3], nlohmann::json({{"type", "snd "}, {"flags", 0}, {"size", 0}, {"hex", ""}}));
    // The type string is Mac OS Roman both ways (© is 0xA9); any other type's text is UTF-8.
    EXPECT_EQ(flavors[4]["type"], "\xC2\xA9opy");
    EXPECT_EQ(flavors[4]["hex"], "ceb1");

    ProcessResult human = Run({"show"});
    EXPECT_EQ(human.exitStatus, 0) << human.err;
    EXPECT_NE(human.out.find("'TEXT'"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("caf\xC3\xA9"), std::string::npos) << human.out;
}

TEST_F(ClipboardProgram, FilesAndLargeFlavors)
{
    std::string big(70000, 'x');
    big[0] = 'A';
    testsupport::WriteFile(mStorage.root() + "/big", big);
    testsupport::WriteFile(mStorage.root() + "/small", std::string("\x00\x01", 2));
    ASSERT_EQ(Run({"set", "moov=@" + mStorage.root() + "/big", "PICT=@" + mStorage.root() + "/small"}).exitStatus, 0);
    nlohmann::json flavors = Show();
    ASSERT_EQ(flavors.size(), 2u);
    EXPECT_EQ(flavors[0]["size"], 70000);
    EXPECT_FALSE(flavors[0].contains("hex")) << "no hex above 64 KiB";
    EXPECT_EQ(flavors[1]["hex"], "0001");
}

TEST_F(ClipboardProgram, ClearEmptiesTheClipboard)
{
    ASSERT_EQ(Run({"set", "TEXT=text:x"}).exitStatus, 0);
    ASSERT_EQ(Run({"clear"}).exitStatus, 0);
    EXPECT_EQ(Show(), nlohmann::json::array());
    ProcessResult human = Run({"show"});
    EXPECT_EQ(human.out, "The clipboard is empty.\n");
}

TEST_F(ClipboardProgram, SetsFromTwoProcessesLeaveOneWholeClipboard)
{
    const std::vector<std::string> first = {"set", "TEXT=text:first", "utxt=text:first", "PICT=hex:01"};
    const std::vector<std::string> second = {"set", "utxt=text:second", "TEXT=text:second"};
    for (int round = 0; round < 5; ++round) {
        ProcessResult a, b;
        std::thread one([&] { a = Run(first); });
        std::thread two([&] { b = Run(second); });
        one.join();
        two.join();
        ASSERT_EQ(a.exitStatus, 0) << a.err;
        ASSERT_EQ(b.exitStatus, 0) << b.err;

        // A third process sees exactly one of the two, whole: never a mixture.
        nlohmann::json flavors = Show();
        std::vector<std::string> types;
        for (const auto& flavor : flavors) {
            types.push_back(flavor["type"]);
        }
        if (types.size() == 3) {
            EXPECT_EQ(types, (std::vector<std::string>{"TEXT", "utxt", "PICT"}));
            EXPECT_EQ(flavors[0]["hex"], "6669727374");
        } else {
            EXPECT_EQ(types, (std::vector<std::string>{"utxt", "TEXT"})) << flavors.dump();
            EXPECT_EQ(flavors[1]["hex"], "7365636f6e64") << flavors.dump();
        }
    }
}

TEST_F(ClipboardProgram, BadInputIsAUsageErrorThatChangesNothing)
{
    ASSERT_EQ(Run({"set", "TEXT=text:kept"}).exitStatus, 0);
    ExpectUsageError({"set", "TEXT"}, "TYPE=text:STRING");
    ExpectUsageError({"set", "=text:a"}, "flavor type");
    ExpectUsageError({"set", "TEXTS=text:a"}, "flavor type");
    ExpectUsageError({"set", "TEXT=hex:abc"}, "hexadecimal");
    ExpectUsageError({"set", "TEXT=hex:zz"}, "hexadecimal");
    ExpectUsageError({"set", "TEXT=base64:YQ=="}, "text:, hex: or @");
    ExpectUsageError({"set", "TEXT=@" + mStorage.root() + "/no-such-file"}, "no-such-file");
    ExpectUsageError({"set", "TEXT=text:\xCE\xB1"}, "Mac OS Roman");
    ExpectUsageError({"set", "TEXT=text:a", "PICT=hex:00", "TEXT=hex:00"}, "given twice");
    ExpectUsageError({"set"}, "FLAVOR");
    ExpectUsageError({}, "show, clear or set");
    ExpectUsageError({"paste"}, "show, clear or set");
    nlohmann::json flavors = Show();
    ASSERT_EQ(flavors.size(), 1u);
    EXPECT_EQ(flavors[0]["hex"], "6b657074");
}

TEST_F(ClipboardProgram, ARefusedClipboardFolderIsReportedWithItsReason)
{
    std::string folder = mStorage.RuntimeDir() + "/clipboard";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"show"}, std::vector<std::string>{"set", "TEXT=text:x"}}) {
        ProcessResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(folder), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("0755"), std::string::npos) << result.err;
    }
}

}  // namespace
