// cmhost when a write cannot be finished: past the file-size limit (ulimit -f), on a full disk, in
// preferences on a read-only mount. It says so and goes on to exit, never dies of the signal, never
// reports success, and leaves no half-made clip or flavor behind. And a menu while a stopped
// process holds the preferences' lock: it needs no lock to show the clips.
#include "host/support/StoredClips.h"
#include "support/LockHolder.h"

namespace {

namespace fs = std::filesystem;
using namespace hosttest;

const std::string kPrlimit = "/usr/bin/prlimit";
const std::string kUnshare = "/usr/bin/unshare";
constexpr size_t kLimitBytes = 64 * 1024;

class WriteFailure : public CmhostTest {
protected:
    void SetUp() override
    {
        mBig = std::string(1 << 20, '\x5A');
        mBigFile = mFolder.Child("big");
        testsupport::WriteFile(mBigFile, mBig);
        // One clip that must come through every failure untouched.
        json old = Json({"--text", "Old words", "--dialog", R"({"name": "Old"})", "choose", "--path",
                         "Stashwell/Add Selected Text...", "--json"});
        ASSERT_EQ(old["alerts"], json::array());
    }

    // cmhost with the arguments, under a file-size limit far below the clip's size.
    ProcessResult RunLimited(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> full = {"--fsize=" + std::to_string(kLimitBytes), kCmhost};
        full.insert(full.end(), arguments.begin(), arguments.end());
        return RunProcess(kPrlimit, full);
    }

    // The add that fails: the big file's bytes from the clipboard, the alert answered.
    static std::vector<std::string> AddBigClip()
    {
        return {"--alert", "ok", "--dialog", R"({"name": "Big"})", "choose", "--path",
                "Stashwell/Add Clipboard Content...", "--json"};
    }

    // The failed add's report shows the one alert; the storage holds the old clip alone.
    void ExpectAddRefused(const ProcessResult& add, const std::string& when)
    {
        SCOPED_TRACE(when);
        EXPECT_EQ(add.exitStatus, 0) << "the host did its job: the plug-in showed the failure\n" << add.err;
        ASSERT_TRUE(json::accept(add.out)) << add.out << add.err;
        json report = json::parse(add.out);
        EXPECT_EQ(report["alerts"].size(), 1u) << report.dump();
        StorageAudit audit = AuditStorage(ClipsFolder());
        EXPECT_EQ(audit.names, std::multiset<std::string>{"Old"});
        ExpectNothingLeftOver(audit, when);
    }

    // A menu report that lists the old clip and has nothing to warn of.
    static void ExpectOldClipShown(const std::string& out)
    {
        const json menu = json::parse(out, nullptr, false);
        std::vector<std::pair<std::string, int>> commands;
        CollectCommands(menu.value("items", json::array()), "", commands);
        EXPECT_TRUE(Contains(commands, std::pair<std::string, int>("Stashwell/Old", 200))) << out;
        EXPECT_EQ(menu.value("warnings", json()), json::array()) << out;
    }

    std::string mBig;
    std::string mBigFile;
};

TEST_F(WriteFailure, ClipboardSetPastTheFileSizeLimitSaysSoAndLeavesNoPartFlavor)
{
    ProcessResult set = RunLimited({"clipboard", "set", "TEXT=text:small", "PICT=@" + mBigFile});
    EXPECT_EQ(set.exitStatus, 1) << "exit status 1, not killed by the signal\n" << set.err;
    EXPECT_EQ(HostLines(set.err).size(), 1u) << set.err;
    EXPECT_EQ(set.out, "");
    // Whatever the clipboard holds now, no flavor of it is cut short.
    const json shown = Json({"clipboard", "show", "--json"});
    for (const json& flavor : shown["flavors"]) {
        if (flavor["type"] == "PICT") {
            EXPECT_EQ(flavor["size"], mBig.size());
        }
    }
}

TEST_F(WriteFailure, AClipPastTheFileSizeLimitIsAnAlertAndLeavesNothing)
{
    ASSERT_EQ(Run({"clipboard", "set", "PICT=@" + mBigFile}).exitStatus, 0);
    ExpectAddRefused(RunLimited(AddBigClip()), "past the file-size limit");
}

// A small tmpfs mounted over the clips folder's home or over the preferences' home, filled up, in
// a user and mount namespace of the test's own: the package cannot be written, or the record that
// would name it cannot be saved. Either way the user sees the alert and no half of the clip stays.
TEST_F(WriteFailure, AClipOnAFullDiskIsAnAlertAndLeavesNothing)
{
    if (RunProcess(kUnshare, {"-rm", "/bin/sh", "-c", "mount -t tmpfs -o size=64k tmpfs \"$0\"", mFolder.path()})
            .exitStatus != 0)
        GTEST_SKIP() << "unprivileged user and mount namespaces are not available here";
    ASSERT_EQ(Run({"clipboard", "set", "PICT=@" + mBigFile}).exitStatus, 0);

    // Inside the namespace: the folder's contents move onto the tmpfs, a filler takes every free
    // page, the add runs, and copies of the folder are taken after it and after one more run with
    // room again (the mount goes away with the namespace).
    const char* const script = R"(
        full=$1; out=$2; cmhost=$3; shift 3
        cp -a "$full" "$out/seed" && mount -t tmpfs -o size=512k,mode=0700 tmpfs "$full" &&
            cp -a "$out/seed/." "$full/" || exit 10
        dd if=/dev/zero of="$full/filler" bs=4096 2>/dev/null
        "$cmhost" "$@" > "$out/report" 2> "$out/err"
        echo $? > "$out/status"
        cp -a "$full/." "$out/after-add" && rm -f "$full/filler" "$out/after-add/filler" || exit 11
        "$cmhost" menu --json > "$out/menu" 2>&1 || exit 12
        cp -a "$full/." "$out/after-next-run" || exit 13
    )";
    const std::pair<std::string, std::string> fullFolders[] = {
        {mStorage.DataHome(), "the clips folder's disk full"},
        {mStorage.ConfigHome(), "the preferences' disk full"},
    };
    for (const auto& [full, when] : fullFolders) {
        SCOPED_TRACE(when);
        testsupport::ScopedTempDir out;
        std::vector<std::string> arguments = {"-rm", "/bin/sh", "-c", script, "sh", full, out.path(), kCmhost};
        for (const std::string& argument : AddBigClip())
            arguments.push_back(argument);
        ProcessResult inside = RunProcess(kUnshare, arguments);
        ASSERT_EQ(inside.exitStatus, 0) << inside.err << testsupport::ReadFile(out.Child("menu"));
        ProcessResult add{std::stoi(testsupport::ReadFile(out.Child("status"))), testsupport::ReadFile(out.Child("report")),
                          testsupport::ReadFile(out.Child("err"))};
        // Each copy is judged in the folder's place, with the same readers as everything else.
        for (const char* snapshot : {"after-add", "after-next-run"}) {
            fs::remove_all(full);
            fs::copy(out.Child(snapshot), full, fs::copy_options::recursive);
            ExpectAddRefused(add, when + ", " + snapshot);
        }
    }
}

// The preferences' folder made read-only (a bind mount remounted so, in a user and mount namespace
// of the test's own): the menu still shows the clips, and an add says why it could not be saved.
TEST_F(WriteFailure, ReadOnlyPreferencesShowTheClipsAndAnAddSaysWhyItCannotBeSaved)
{
    const std::string prefs = mStorage.ConfigHome() + "/preferences";
    const char* const script = R"(
        prefs=$1; out=$2; cmhost=$3; shift 3
        mount --bind "$prefs" "$prefs" && mount -o remount,bind,ro "$prefs" || exit 10
        "$cmhost" --text x menu --json > "$out/menu"
        "$cmhost" "$@" > "$out/report" 2> "$out/err"
        echo $? > "$out/status"
    )";
    testsupport::ScopedTempDir out;
    std::vector<std::string> arguments = {"-rm", "/bin/sh", "-c", script, "sh", prefs, out.path(), kCmhost,
                                          "--alert", "ok", "--text", "New words", "--dialog", R"({"name": "New"})",
                                          "choose", "--path", "Stashwell/Add Selected Text...", "--json"};
    ProcessResult inside = RunProcess(kUnshare, arguments);
    if (inside.exitStatus == 10 || RunProcess(kUnshare, {"-rm", "/bin/true"}).exitStatus != 0)
        GTEST_SKIP() << "unprivileged user and mount namespaces (with bind mounts) are not available here";
    ASSERT_EQ(inside.exitStatus, 0) << inside.err;

    ExpectOldClipShown(testsupport::ReadFile(out.Child("menu")));
    ProcessResult add{std::stoi(testsupport::ReadFile(out.Child("status"))), testsupport::ReadFile(out.Child("report")),
                      testsupport::ReadFile(out.Child("err"))};
    ExpectAddRefused(add, "read-only preferences");
    const json report = json::parse(add.out, nullptr, false);
    ASSERT_EQ(report["warnings"].size(), 1u) << add.out;
    EXPECT_TRUE(Contains(report["warnings"][0].get<std::string>(), "Read-only file system")) << add.out;
}

TEST_F(WriteFailure, AMenuWhileAStoppedProcessHoldsThePreferencesLockShowsTheClips)
{
    testsupport::LockHolder stopped(mStorage.ConfigHome() + "/preferences/org.stashwell.cmplugin.plist.lock", true);
    testsupport::ChildProcess menu({kCmhost, "--text", "x", "menu", "--json"});
    // A bound only so that a menu waiting for ever fails instead of hanging the suite.
    ASSERT_TRUE(menu.Ended(30000)) << "the menu waits for the stopped holder of the lock";
    EXPECT_EQ(menu.Wait(), 0) << menu.Err();
    ExpectOldClipShown(menu.Out());
}

}  // namespace
