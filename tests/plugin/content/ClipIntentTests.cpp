// What writers that died left in the clips folder, as the next menu finds it: each dead writer's
// intent is finished or undone by what the stored clip list says, live writers' work is left
// alone, and nothing outside the clips folder is touched.
#include "support/StoredClipList.h"
#include "plugin/support/PluginSession.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

class ClipIntentTest : public testing::Test {
protected:
    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }

    void MakePackage(const std::string& name)
    {
        fs::create_directories(ClipsFolder() + "/" + name);
        testsupport::WriteFile(ClipsFolder() + "/" + name + "/TEXT", name);
    }
    void WriteIntent(const std::string& id, const std::string& contents)
    {
        testsupport::WriteFile(ClipsFolder() + "/.stashwell-intent-" + id, contents);
    }

    testsupport::ScopedStorageEnvironment mStorage;
    sessiontest::PluginSession mSession;
};

TEST_F(ClipIntentTest, TheNextMenuFinishesOrUndoesWhatDeadWritersLeft)
{
    testsupport::ScopedTempDir outside;
    testsupport::WriteFile(outside.Child("TEXT"), "outside");
    cliplisttest::StoreClipList({{"Kept", "Kept", {"TEXT"}}, {"Restored", "Restored", {"TEXT"}}});
    const struct {
        std::string id, intent, package;  // package: made under the work folder, or under its name
        bool inWork;
    } left[] = {
        {"a1", "add\n", "", true},                        // died writing: the work goes
        {"a2", "add\nOrphan\n", "Orphan", false},         // moved, never recorded: goes
        {"a3", "add\nKept\n", "Kept", false},             // moved and recorded: stays
        {"d1", "delete\nRestored\n", "Restored", true},   // taken, record still stored: goes back
        {"d2", "delete\nGone\n", "Gone", true},           // taken, record removed: goes
        {"x1", "add\n" + fs::relative(outside.path(), ClipsFolder()).string() + "\n", "", false},
        {"x2", "nonsense", "", true},
    };
    for (const auto& each : left) {
        WriteIntent(each.id, each.intent);
        if (each.inWork) {
            MakePackage(".stashwell-intent-" + each.id + ".work");
        } else if (!each.package.empty()) {
            MakePackage(each.package);
        }
    }
    MakePackage(".stashwell-intent-stray.work");
    // A live writer holds its intent locked.
    WriteIntent("live", "add\n");
    MakePackage(".stashwell-intent-live.work");
    int live = ::open((ClipsFolder() + "/.stashwell-intent-live").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    mSession.MenuOutline();
    EXPECT_EQ(testsupport::EntryNames(ClipsFolder()),
              (std::set<std::string>{".stashwell-intent-live", ".stashwell-intent-live.work", ".stashwell-lock", "Kept",
                                     "Restored"}));
    EXPECT_EQ(testsupport::ReadFile(ClipsFolder() + "/Restored/TEXT"), ".stashwell-intent-d1.work");
    EXPECT_EQ(testsupport::ReadFile(outside.Child("TEXT")), "outside");

    // Once its writer is gone, the live one's work goes too.
    ::close(live);
    mSession.MenuOutline();
    EXPECT_EQ(testsupport::EntryNames(ClipsFolder()), (std::set<std::string>{".stashwell-lock", "Kept", "Restored"}));
}

}  // namespace
