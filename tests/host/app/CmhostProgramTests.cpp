// cmhost run as users and scripts run it: menus from the bundles it finds, the bundles it refuses,
// its usage errors, and the line-by-line session.
#include "host/support/CmhostRun.h"
#include "support/ScopedVariable.h"

#include <optional>

namespace {

namespace fs = std::filesystem;
using namespace hosttest;

using testsupport::ScopedVariable;

class CmhostProgram : public CmhostTest {
protected:
    // A copy of the built bundle whose Info.plist has from replaced by to (every occurrence).
    std::string CopyBundleWithInfo(const std::string& name, const std::string& from, const std::string& to)
    {
        fs::path copy = fs::path(mFolder.path()) / name;
        fs::copy(kBundle, copy, fs::copy_options::recursive);
        std::string info = testsupport::ReadFile((copy / "Contents/Info.plist").string());
        size_t found = info.find(from);
        EXPECT_NE(found, std::string::npos) << "the Info.plist no longer holds " << from;
        for (; found != std::string::npos; found = info.find(from, found + to.size()))
            info.replace(found, from.size(), to);
        testsupport::WriteFile((copy / "Contents/Info.plist").string(), info);
        return copy.string();
    }

    // The factory UUID text the built bundle declares for the contextual-menu type.
    std::string DeclaredFactory()
    {
        std::string info = testsupport::ReadFile(kBundle + "/Contents/Info.plist");
        size_t key = info.find("<key>", info.find("<key>CFPlugInFactories</key>") + 1);
        return info.substr(key + 5, info.find("</key>", key) - key - 5);
    }
};

TEST_F(CmhostProgram, MenuFromTheBuiltBundleInEveryForm)
{
    json menu = Json({"menu", "--json"});
    EXPECT_EQ(menu["status"], 0);
    ASSERT_FALSE(menu["items"].empty());
    // The folder form of --plugins finds the same bundle.
    fs::copy(kBundle, fs::path(mFolder.path()) / "Stashwell.plugin", fs::copy_options::recursive);
    EXPECT_EQ(Json({"--plugins", mFolder.path(), "menu", "--json"}), menu);

    // Old systems get no string references, only names the plug-in writes as text.
    ProcessResult old = Run({"menu", "--json", "--text", "Dear John,", "--system-version", "10.1.5"});
    EXPECT_EQ(old.exitStatus, 0) << old.err;
    EXPECT_TRUE(Contains(old.out, "\"Add Selected Text...\"")) << old.out;
    EXPECT_FALSE(Contains(old.out, "\"cfst\"")) << old.out;

    ProcessResult text = Run({"menu"});
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_FALSE(text.out.empty());
    EXPECT_FALSE(json::accept(text.out)) << "the text form is not JSON";
    ProcessResult help = Run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(Contains(help.out, "menu"));
    EXPECT_EQ(help.err, "");
}

// Each refused before a plug-in is loaded: the scripted plug-in would log its calls.
TEST_F(CmhostProgram, UsageErrorsExitWithTwoAndOneLine)
{
    const std::string absent = mFolder.Child("absent");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        // What each malformed option says is the options tests' concern; one stands for them here.
        {{"menu", "--no-such-option"}, "--no-such-option"},
        {{"--document", "/no/such/file"}, "/no/such/file"},
        {{"choose"}, ""},
        {{"choose", "--id", "300", "--path", "Scripted/Deep"}, ""},
        {{"choose", "--id", "three"}, "three"},
        {{"--password-file", absent, "choose", "--id", "312"},
         "cmhost: --password-file: cannot read " + absent + ": No such file or directory"},
    };
    for (const auto& [arguments, cause] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        std::vector<std::string> withBundle = {"--plugins", kScriptedBundle};
        withBundle.insert(withBundle.end(), arguments.begin(), arguments.end());
        ExpectUsageError(Run(withBundle), cause);
    }
}

// Refused with exit status 1 and one line of the host's (a plug-in logs to standard error too),
// before any menu is asked for.
TEST_F(CmhostProgram, BundlesThatCannotBeLoadedAreRefused)
{
    fs::create_directories(fs::path(mFolder.path()) / "Empty.plugin/Contents");
    const std::string badFolder = mFolder.Child("folder");
    fs::create_directories(badFolder);
    fs::copy(kBundle, fs::path(badFolder) / "A.plugin", fs::copy_options::recursive);
    fs::rename(CopyBundleWithInfo("B.plugin", "<string>AbstractCMPluginFactory</string>", "<string>Nope</string>"),
               fs::path(badFolder) / "B.plugin");
    const std::string emptyFolder = mFolder.Child("empty");
    fs::create_directories(emptyFolder);
    struct Case {
        std::string plugins;
        std::string cause;
        const char* plugInMode = nullptr;  // what the scripted plug-in's factory does
    };
    const Case cases[] = {
        {kScriptedBundle, "ScriptedPlugInFactory answered no instance", "null-factory"},
        {kScriptedBundle, "does not answer the contextual-menu interface", "no-interface"},
        {mFolder.Child("Nothing.plugin"), "missing"},
        {mFolder.Child("nowhere"), "missing"},
        {emptyFolder, "no *.plugin"},
        {mFolder.Child("Empty.plugin"), "Info.plist"},
        {CopyBundleWithInfo("Garbled.plugin", "<dict>", "<dict><dict>"), "Info.plist"},
        {CopyBundleWithInfo("WrongType.plugin", "681E73D4-9EA7-40BC-8BAB-D86CFD4F6F73",
                            "681E73D4-9EA7-40BC-8BAB-D86CFD4F6F74"),
         "no factory for the contextual-menu type"},
        {CopyBundleWithInfo("OtherFactory.plugin", DeclaredFactory(), "0BADF00D-0000-4000-8000-000000000001"),
         "did not register under its declared factory 0BADF00D-0000-4000-8000-000000000001"},
        {CopyBundleWithInfo("NoName.plugin", "<string>AbstractCMPluginFactory</string>", "<string></string>"),
         "names no"},
        {CopyBundleWithInfo("NoFunction.plugin", "<string>AbstractCMPluginFactory</string>",
                            "<string>NoSuchFactory</string>"),
         "NoSuchFactory is missing"},
        // One bad bundle in a folder refuses the load of them all.
        {badFolder, "B.plugin"},
    };
    for (const Case& refusal : cases) {
        SCOPED_TRACE(refusal.plugins);
        std::optional<ScopedVariable> mode;
        if (refusal.plugInMode != nullptr)
            mode.emplace("CMHOST_TEST_PLUGIN", refusal.plugInMode);
        ProcessResult result = Run({"--plugins", refusal.plugins, "menu", "--json"});
        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_EQ(result.out, "");
        const std::vector<std::string> hostLines = HostLines(result.err);
        ASSERT_EQ(hostLines.size(), 1u) << result.err;
        EXPECT_TRUE(Contains(hostLines[0], refusal.cause)) << result.err;
        EXPECT_FALSE(Contains(result.err, "ExamineContext"));
    }
}

TEST_F(CmhostProgram, InteractiveSessionShowsTheDocumentAndTakesIds)
{
    std::string document = mFolder.Child("Letter.txt");
    testsupport::WriteFile(document, "Dear John,\nsee you soon.\n");
    ProcessResult result = Run({"--document", document}, "hello\nq\n");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(Contains(result.out, "| Dear John,\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "| see you soon.\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "Not a command id: \"hello\"")) << result.out;

    // An id the menu does not hold is handed over as it is; the plug-in's answer is shown, and
    // after a pick whose paste lands, the document again.
    ProcessResult picked = Run({"--plugins", kScriptedBundle, "--text", "Hi"}, "999\n300\nq\n");
    EXPECT_EQ(picked.exitStatus, 0) << picked.err;
    EXPECT_TRUE(Contains(picked.out, "HandleSelection(999) answered 0")) << picked.out;
    const size_t pasted = picked.out.find("HandleSelection(300) answered 0");
    ASSERT_NE(pasted, std::string::npos) << picked.out;
    EXPECT_NE(picked.out.find("| Pasted \u00e9 text\n", pasted), std::string::npos) << picked.out;
}

TEST_F(CmhostProgram, EntryPointsAreCalledInMenuOrderAndTheInstanceIsReleased)
{
    json menu = Json({"menu", "--json", "--plugins", kScriptedBundle, "--text", "Dear John,"});
    EXPECT_EQ(mLast.err, "scripted: ExamineContext 'utxt'\nscripted: PostMenuCleanup\nscripted: freed\n");
    EXPECT_EQ(menu, json::parse(R"({"status": 0, "items": [
        {"name": "Scripted", "nameType": "utxt", "submenu": [
            {"name": "\u00c9chelle", "nameType": "TEXT", "command": 7},
            {"name": "Deep", "nameType": "cfst", "command": 8, "attributes": 8},
            {"name": "Inner", "nameType": "TEXT", "submenu": [
                {"name": "Alternate", "nameType": "cfst", "command": 9, "attributes": 8, "modifiers": 2}]}]}],
        "warnings": []})"));

    ProcessResult picks = Run({"--plugins", kScriptedBundle, "--context", "TEXT:4869"}, "9\nx\n8\nq\n");
    ASSERT_EQ(picks.exitStatus, 0) << picks.err;
    const std::string round = "scripted: ExamineContext 'TEXT'\n";
    EXPECT_EQ(picks.err, round + "scripted: HandleSelection 9\nscripted: PostMenuCleanup\n" + round +
                             "scripted: PostMenuCleanup\n" + round +
                             "scripted: HandleSelection 8\nscripted: PostMenuCleanup\n" + round +
                             "scripted: PostMenuCleanup\nscripted: freed\n");
    EXPECT_TRUE(Contains(picks.out, "    Alternate  [9]")) << picks.out;
}

TEST_F(CmhostProgram, StatusOfThePlugInIsShownWithExitStatusZero)
{
    ScopedVariable status("CMHOST_TEST_EXAMINE_STATUS", "-1704");
    fs::copy(kScriptedBundle, fs::path(mFolder.path()) / "Scripted.plugin", fs::copy_options::recursive);
    fs::copy(kBundle, fs::path(mFolder.path()) / "Stashwell.plugin", fs::copy_options::recursive);
    json menu = Json({"--plugins", mFolder.path(), "menu", "--json"});
    EXPECT_EQ(menu["status"], -1704);
    ASSERT_EQ(menu["items"].size(), 2u);
    EXPECT_EQ(menu["items"][0]["name"], "Scripted") << "bundles load in name order";
    EXPECT_EQ(menu["items"][1]["name"], "Stashwell");
}

}  // namespace
