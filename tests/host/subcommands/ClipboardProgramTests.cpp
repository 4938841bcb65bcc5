// `cmhost clipboard` run as users and scripts run it: a child process over a clipboard of its own,
// judged by what it prints and its exit status.
#include "host/support/CmhostRun.h"

#include <sys/stat.h>

#include <filesystem>
#include <thread>

namespace {

using namespace hosttest;

class ClipboardProgram : public CmhostTest {
protected:
    void SetUp() override { mPrefix = {"clipboard"}; }

    // The flavors that `show --json` prints; fails the test when it does not succeed.
    json Show() { return Json({"show", "--json"}).value("flavors", json::array()); }
};

TEST_F(ClipboardProgram, SetThenShowGivesTheFlavorsBackInOrder)
{
    ProcessResult set = Run({"set", "utxt=text:ab", "TEXT=text:caf\xC3\xA9", "PICT=hex:00FF10", "snd=hex:",
                             "\xC2\xA9opy=text:\xCE\xB1"});
    ASSERT_EQ(set.exitStatus, 0) << set.err;
    EXPECT_EQ(set.out, "");

    json flavors = Show();
    ASSERT_EQ(flavors.size(), 5u) << flavors.dump();
    // U+FEFF then UTF-16, in the byte order of this (little-endian) machine.
    EXPECT_EQ(flavors[0], json({{"type", "utxt"}, {"flags", 0}, {"size", 6}, {"hex", "fffe61006200"}}));
    // Mac OS Roman: é is 0x8E.
    EXPECT_EQ(flavors[1]["type"], "TEXT");
    EXPECT_EQ(flavors[1]["hex"], "6361668e");
    EXPECT_EQ(flavors[2]["type"], "PICT");
    EXPECT_EQ(flavors[2]["hex"], "00ff10");
    // A short type is padded with blanks; an empty flavor is still a flavor.
    EXPECT_EQ(flavors[3], json({{"type", "snd "}, {"flags", 0}, {"size", 0}, {"hex", ""}}));
    // The type string is Mac OS Roman both ways (© is 0xA9); any other type's text is UTF-8.
    EXPECT_EQ(flavors[4]["type"], "\xC2\xA9opy");
    EXPECT_EQ(flavors[4]["hex"], "ceb1");

    ProcessResult human = Run({"show"});
    EXPECT_EQ(human.exitStatus, 0) << human.err;
    EXPECT_TRUE(Contains(human.out, "'TEXT'")) << human.out;
    EXPECT_TRUE(Contains(human.out, "caf\xC3\xA9")) << human.out;

    ASSERT_EQ(Run({"clear"}).exitStatus, 0);
    EXPECT_EQ(Json({"show", "--json"}), json::parse(R"({"flavors": [], "warnings": []})"));
    EXPECT_EQ(Run({"show"}).out, "The clipboard is empty.\n");
}

TEST_F(ClipboardProgram, FilesAndLargeFlavors)
{
    std::string big(70000, 'x');
    big[0] = 'A';
    testsupport::WriteFile(mStorage.root() + "/big", big);
    testsupport::WriteFile(mStorage.root() + "/small", std::string("\x00\x01", 2));
    ASSERT_EQ(Run({"set", "moov=@" + mStorage.root() + "/big", "PICT=@" + mStorage.root() + "/small"}).exitStatus, 0);
    json flavors = Show();
    ASSERT_EQ(flavors.size(), 2u);
    EXPECT_EQ(flavors[0]["size"], 70000);
    EXPECT_FALSE(flavors[0].contains("hex")) << "no hex above 64 KiB";
    EXPECT_EQ(flavors[1]["hex"], "0001");
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
        json flavors = Show();
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
    // Sparse: it takes no room, and it is refused by its size before any of it is read.
    const std::string huge = mStorage.root() + "/huge";
    testsupport::WriteFile(huge, "");
    std::filesystem::resize_file(huge, 3ull << 30);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"set", "TEXT"}, "TYPE=text:STRING"},
        {{"set", "=text:a"}, "flavor type"},
        {{"set", "TEXTS=text:a"}, "flavor type"},
        {{"set", "TEXT=hex:abc"}, "hexadecimal"},
        {{"set", "TEXT=hex:zz"}, "hexadecimal"},
        {{"set", "TEXT=base64:YQ=="}, "text:, hex: or @"},
        {{"set", "TEXT=@" + mStorage.root() + "/no-such-file"}, "no-such-file"},
        {{"set", "moov=@" + huge}, "is larger than 2147483647 bytes, the most a flavor can hold"},
        // Read and checked before the clipboard is cleared: a good flavor before a bad one is not put.
        {{"set", "utxt=text:new", "TEXT=@" + mStorage.root() + "/no-such-file"}, "no-such-file"},
        {{"set", "utxt=text:new", "PICT=hex:0g"}, "hexadecimal"},
        {{"set", "TEXT=text:\xCE\xB1"}, "Mac OS Roman"},
        {{"set", "TEXT=text:a", "PICT=hex:00", "TEXT=hex:00"}, "given twice"},
        {{"set"}, "FLAVOR"},
        {{}, "show, clear or set"},
        {{"paste"}, "show, clear or set"},
    };
    for (const auto& [arguments, cause] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        ExpectUsageError(Run(arguments), cause);
    }
    json flavors = Show();
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
        EXPECT_EQ(LineCount(result.err), 1u) << result.err;
        EXPECT_TRUE(Contains(result.err, folder)) << result.err;
        EXPECT_TRUE(Contains(result.err, "0755")) << result.err;
    }
}

}  // namespace
