// cmhost run as users and scripts run it: a child process with its own storage folders, judged by
// what it prints and its exit status.
#include "Subprocess.h"

#include "support/TempDir.h"

#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;
using hosttest::ProcessResult;
using hosttest::RunProcess;

const std::string kCmhost = STASHWELL_BUILD_DIR "/cmhost";
const std::string kBundle = STASHWELL_BUNDLE_DIR;
const std::string kScriptedBundle = STASHWELL_SCRIPTED_BUNDLE_DIR;

// Sets an environment variable that the child inherits, for the life of the object.
class ScopedSetEnv {
public:
    ScopedSetEnv(const char* name, const char* value) : mName(name) { setenv(name, value, 1); }
    ~ScopedSetEnv() { unsetenv(mName); }
    ScopedSetEnv(const ScopedSetEnv&) = delete;
    ScopedSetEnv& operator=(const ScopedSetEnv&) = delete;

private:
    const char* mName;
};

size_t LineCount(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Every record as the host contract describes it: a name of a known type, and either a command
// or a submenu of such records.
void ExpectWellFormedItems(const nlohmann::json& items, const std::string& where)
{
    ASSERT_TRUE(items.is_array()) << where;
    for (const nlohmann::json& item : items) {
        ASSERT_TRUE(item.is_object()) << where;
        ASSERT_TRUE(item.contains("nameType")) << where << ": " << item.dump();
        const std::string type = item["nameType"];
        EXPECT_TRUE(type == "cfst" || type == "utxt" || type == "TEXT") << where << ": " << item.dump();
        EXPECT_TRUE(item["name"].is_string()) << where << ": " << item.dump();
        if (item.contains("submenu")) {
            EXPECT_EQ(type == "cfst", false) << "submenu titles are never string references: " << item.dump();
            EXPECT_FALSE(item.contains("command")) << item.dump();
            ExpectWellFormedItems(item["submenu"], where + "/" + item["name"].get<std::string>());
        } else {
            EXPECT_TRUE(item["command"].is_number_integer()) << where << ": " << item.dump();
        }
        for (const char* key : {"attributes", "modifiers"}) {
            if (item.contains(key)) {
                EXPECT_NE(item[key], 0) << key << " written as 0: " << item.dump();
            }
        }
    }
}

void CollectNameTypes(const nlohmann::json& items, std::set<std::string>& commandTypes)
{
    for (const nlohmann::json& item : items) {
        if (item.contains("submenu"))
            CollectNameTypes(item["submenu"], commandTypes);
        else
            commandTypes.insert(item["nameType"].get<std::string>());
    }
}

class CmhostProgram : public testing::Test {
protected:
    ProcessResult Run(const std::vector<std::string>& arguments, const std::string& input = "")
    {
        return RunProcess(kCmhost, arguments, input);
    }

    // A copy of the built bundle whose Info.plist has from replaced by to (every occurrence).
    std::string CopyBundleWithInfo(const std::string& name, const std::string& from, const std::string& to)
    {
        fs::path copy = fs::path(mFolder.path()) / name;
        fs::copy(kBundle, copy, fs::copy_options::recursive);
        std::string info = testsupport::ReadFile((copy / "Contents/Info.plist").string());
        size_t found = info.find(from);
        EXPECT_NE(found, std::string::npos) << "the Info.plist no longer holds " << from;
        while (found != std::string::npos) {
            info.replace(found, from.size(), to);
            found = info.find(from, found + to.size());
        }
        testsupport::WriteFile((copy / "Contents/Info.plist").string(), info);
        return copy.string();
    }

    // The factory UUID text the built bundle declares for the contextual-menu type.
    std::string DeclaredFactory()
    {
        std::string info = testsupport::ReadFile(kBundle + "/Contents/Info.plist");
        size_t factories = info.find("<key>CFPlugInFactories</key>");
        EXPECT_NE(factories, std::string::npos);
        size_t key = info.find("<key>", factories + 1);
        size_t end = info.find("</key>", key);
        return info.substr(key + 5, end - key - 5);
    }

    void ExpectRefused(const ProcessResult& result, const std::string& cause)
    {
        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_EQ(LineCount(result.err), 1u) << result.err;
        EXPECT_NE(result.err.find(cause), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }

    testsupport::ScopedStorageEnvironment mStorage;
    testsupport::ScopedTempDir mFolder;
};

TEST_F(CmhostProgram, MenuJsonFromTheBuiltBundle)
{
    ProcessResult result = Run({"menu", "--json"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    nlohmann::json menu = nlohmann::json::parse(result.out);
    EXPECT_EQ(menu["status"], 0);
    ExpectWellFormedItems(menu["items"], "");
    // The folder form of --plugins finds the same bundle.
    fs::copy(kBundle, fs::path(mFolder.path()) / "Stashwell.plugin", fs::copy_options::recursive);
    ProcessResult fromFolder = Run({"--plugins", mFolder.path(), "menu", "--json"});
    ASSERT_EQ(fromFolder.exitStatus, 0) << fromFolder.err;
    EXPECT_EQ(nlohmann::json::parse(fromFolder.out), menu);
}

TEST_F(CmhostProgram, OldSystemsGetNoStringReferences)
{
    ProcessResult result = Run({"menu", "--json", "--text", "Dear John,", "--system-version", "10.1.5"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    nlohmann::json menu = nlohmann::json::parse(result.out);
    ExpectWellFormedItems(menu["items"], "");
    std::set<std::string> types;
    CollectNameTypes(menu["items"], types);
    EXPECT_EQ(types.count("cfst"), 0u) << result.out;
}

TEST_F(CmhostProgram, TextFormAndHelp)
{
    ProcessResult result = Run({"menu"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(result.out.empty());
    EXPECT_FALSE(nlohmann::json::accept(result.out)) << "the text form is not JSON";

    ProcessResult help = Run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("menu"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST_F(CmhostProgram, UsageErrorsExitWithTwoAndOneLine)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"menu", "--context", "utx:00"}, std::vector<std::string>{"menu", "--context", "utxt:0"},
          std::vector<std::string>{"menu", "--no-such-option"}, std::vector<std::string>{"--document", "/no/such/file"}}) {
        ProcessResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, 2) << testing::PrintToString(arguments) << result.err;
        EXPECT_EQ(LineCount(result.err), 1u) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CmhostProgram, MissingBundlesAreRefused)
{
    ExpectRefused(Run({"--plugins", mFolder.Child("Nothing.plugin"), "menu"}), "missing");
    ExpectRefused(Run({"--plugins", mFolder.Child("nowhere"), "menu"}), "missing");
    // A folder without any bundle in it.
    ExpectRefused(Run({"--plugins", mFolder.path(), "menu", "--json"}), "no *.plugin");
    // A bundle folder without its Info.plist.
    fs::create_directories(fs::path(mFolder.path()) / "Empty.plugin/Contents");
    ExpectRefused(Run({"--plugins", mFolder.Child("Empty.plugin"), "menu"}), "Info.plist");
}

TEST_F(CmhostProgram, BundlesWhoseInfoPlistLiesAreRefused)
{
    ExpectRefused(Run({"--plugins", CopyBundleWithInfo("Garbled.plugin", "<dict>", "<dict><dict>"), "menu"}),
                  "Info.plist");
    ExpectRefused(Run({"--plugins",
                       CopyBundleWithInfo("WrongType.plugin", "681E73D4-9EA7-40BC-8BAB-D86CFD4F6F73",
                                          "681E73D4-9EA7-40BC-8BAB-D86CFD4F6F74"),
                       "menu"}),
                  "no factory for the contextual-menu type");
    ExpectRefused(Run({"--plugins",
                       CopyBundleWithInfo("OtherFactory.plugin", DeclaredFactory(),
                                          "0BADF00D-0000-4000-8000-000000000001"),
                       "menu", "--json"}),
                  "did not register under its declared factory 0BADF00D-0000-4000-8000-000000000001");
    ExpectRefused(Run({"--plugins",
                       CopyBundleWithInfo("NoName.plugin", "<string>AbstractCMPluginFactory</string>",
                                          "<string></string>"),
                       "menu"}),
                  "names no");
    ExpectRefused(Run({"--plugins",
                       CopyBundleWithInfo("NoFunction.plugin", "<string>AbstractCMPluginFactory</string>",
                                          "<string>NoSuchFactory</string>"),
                       "menu"}),
                  "NoSuchFactory is missing");
}

TEST_F(CmhostProgram, OneBadBundleInAFolderRefusesTheLoad)
{
    fs::copy(kBundle, fs::path(mFolder.path()) / "A.plugin", fs::copy_options::recursive);
    CopyBundleWithInfo("B.plugin", "<string>AbstractCMPluginFactory</string>", "<string>Nope</string>");
    ExpectRefused(Run({"--plugins", mFolder.path(), "menu"}), "B.plugin");
}

TEST_F(CmhostProgram, InteractiveSessionShowsTheDocumentAndTakesIds)
{
    std::string document = mFolder.Child("Letter.txt");
    testsupport::WriteFile(document, "Dear John,\nsee you soon.\n");
    ProcessResult result = Run({"--document", document}, "hello\nq\n");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("| Dear John,\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("| see you soon.\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Not a command id: \"hello\""), std::string::npos) << result.out;

    // An id the menu does not hold is handed over as it is; the plug-in's answer is shown.
    ProcessResult picked = Run({"--text", "Dear John,"}, "999\n");
    EXPECT_EQ(picked.exitStatus, 0) << picked.err;
    EXPECT_NE(picked.out.find("| Dear John,"), std::string::npos) << picked.out;
    EXPECT_NE(picked.out.find("HandleSelection(999) answered "), std::string::npos) << picked.out;
}

TEST_F(CmhostProgram, EntryPointsAreCalledInMenuOrderAndTheInstanceIsReleased)
{
    ProcessResult result = Run({"menu", "--json", "--plugins", kScriptedBundle, "--text", "Dear John,"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "scripted: ExamineContext 'utxt'\nscripted: PostMenuCleanup\nscripted: freed\n");
    nlohmann::json expected = nlohmann::json::parse(R"({"status": 0, "items": [
        {"name": "Scripted", "nameType": "utxt", "submenu": [
            {"name": "\u00c9chelle", "nameType": "TEXT", "command": 7},
            {"name": "Deep", "nameType": "cfst", "command": 8, "attributes": 8},
            {"name": "Inner", "nameType": "TEXT", "submenu": [
                {"name": "Alternate", "nameType": "cfst", "command": 9, "attributes": 8, "modifiers": 2}]}]}]})");
    EXPECT_EQ(nlohmann::json::parse(result.out), expected);

    ProcessResult picks = Run({"--plugins", kScriptedBundle, "--context", "TEXT:4869"}, "9\nx\n8\nq\n");
    ASSERT_EQ(picks.exitStatus, 0) << picks.err;
    const std::string round = "scripted: ExamineContext 'TEXT'\n";
    EXPECT_EQ(picks.err, round + "scripted: HandleSelection 9\nscripted: PostMenuCleanup\n" + round +
                             "scripted: PostMenuCleanup\n" + round +
                             "scripted: HandleSelection 8\nscripted: PostMenuCleanup\n" + round +
                             "scripted: PostMenuCleanup\nscripted: freed\n");
    EXPECT_NE(picks.out.find("    Alternate  [9]"), std::string::npos) << picks.out;
}

TEST_F(CmhostProgram, StatusOfThePlugInIsShownWithExitStatusZero)
{
    ScopedSetEnv status("CMHOST_TEST_EXAMINE_STATUS", "-1704");
    fs::copy(kScriptedBundle, fs::path(mFolder.path()) / "Scripted.plugin", fs::copy_options::recursive);
    fs::copy(kBundle, fs::path(mFolder.path()) / "Stashwell.plugin", fs::copy_options::recursive);
    ProcessResult result = Run({"--plugins", mFolder.path(), "menu", "--json"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    nlohmann::json menu = nlohmann::json::parse(result.out);
    EXPECT_EQ(menu["status"], -1704);
    ASSERT_FALSE(menu["items"].empty());
    EXPECT_EQ(menu["items"][0]["name"], "Scripted") << "bundles load in name order";
    ExpectWellFormedItems(menu["items"], "");
}

TEST_F(CmhostProgram, FactoriesThatMakeNothingUsableAreRefused)
{
    struct Case {
        const char* mode;
        const char* cause;
    };
    for (const Case& refusal : {Case{"null-factory", "ScriptedPlugInFactory answered no instance"},
                                Case{"no-interface", "does not answer the contextual-menu interface"}}) {
        ScopedSetEnv mode("CMHOST_TEST_PLUGIN", refusal.mode);
        ProcessResult result = Run({"--plugins", kScriptedBundle, "menu"});
        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_EQ(result.out, "");
        // The plug-in logs to standard error too: the host's own part is one line.
        size_t hostLine = result.err.find("cmhost: ");
        ASSERT_NE(hostLine, std::string::npos) << result.err;
        EXPECT_EQ(LineCount(result.err.substr(hostLine)), 1u) << result.err;
        EXPECT_NE(result.err.find(refusal.cause), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("ExamineContext"), std::string::npos) << "no menu without an instance";
    }
}

}  // namespace
