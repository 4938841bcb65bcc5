// `cmhost --desktop` run as users and scripts run it, on an X11 display of the test's own: the
// display comes before any plug-in, the text selected there is the context, and the clipboard
// commands reach the desktop's clipboard. Judged by X clients we did not write (xclip).
#include "host/support/CmhostRun.h"

#include "host/support/StoredClips.h"
#include "platform/desktop/DesktopClients.h"
#include "support/ChildProcess.h"
#include "support/ScopedVariable.h"
#include "support/XvfbDisplay.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <thread>

namespace {

using namespace hosttest;

using testsupport::ScopedVariable;

// A desktop failure: exit status 1 and one line that names the display, whatever else was asked.
void ExpectNoDesktop(const ProcessResult& result, const std::string& cause)
{
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(LineCount(result.err), 1u) << result.err;
    EXPECT_EQ(result.err.rfind("cmhost: ", 0), 0u) << result.err;
    EXPECT_TRUE(Contains(result.err, cause)) << result.err;
    EXPECT_EQ(result.out, "");
}

class DesktopProgram : public CmhostTest {};

TEST_F(DesktopProgram, WithoutADisplayThatAnswersCmhostSaysSoBeforeAnyPlugInIsLoaded)
{
    // The plug-ins folder does not exist: had the host loaded it first, it would say so instead.
    const std::vector<std::string> missing = {"--plugins", mFolder.Child("no-such-bundles")};
    ScopedVariable noCompositor("WAYLAND_DISPLAY", std::nullopt);
    {
        ScopedVariable display("DISPLAY", std::nullopt);
        std::vector<std::string> before = {"--desktop", "menu"};
        before.insert(before.end(), missing.begin(), missing.end());
        ExpectNoDesktop(Run(before), "DISPLAY");
        std::vector<std::string> after = {"menu", "--json", "--desktop"};
        after.insert(after.end(), missing.begin(), missing.end());
        ExpectNoDesktop(Run(after), "DISPLAY");
        // The clipboard commands, which load no plug-in, are the desktop's too.
        ExpectNoDesktop(Run({"clipboard", "show", "--desktop"}), "DISPLAY");
        ExpectNoDesktop(Run({"--desktop=wayland", "menu"}), "WAYLAND_DISPLAY");
    }
    ScopedVariable display("DISPLAY", ":99");
    std::vector<std::string> refused = {"--desktop", "menu"};
    refused.insert(refused.end(), missing.begin(), missing.end());
    ExpectNoDesktop(Run(refused), ":99");
    // A compositor named that does not answer is no Wayland session: X11 is tried, and named.
    ScopedVariable gone("WAYLAND_DISPLAY", mFolder.Child("wayland-gone"));
    ExpectNoDesktop(Run(refused), ":99");
    ExpectNoDesktop(Run({"--desktop=wayland", "menu"}), "wayland-gone");
    EXPECT_EQ(Run({"--desktop=mir", "menu"}).exitStatus, 2);
}

class DesktopSession : public DesktopProgram {
protected:
    testsupport::ChildProcess::Variables Clients() const { return desktoptest::ClientEnvironment(mDisplay.Name()); }

    // What `xclip -o` reads from the selection now ("" when nothing answers).
    std::string ReadSelection(const std::string& selection, const std::string& target = "")
    {
        std::vector<std::string> command = {"xclip", "-o", "-selection", selection};
        if (!target.empty()) {
            command.insert(command.end(), {"-t", target});
        }
        testsupport::ChildProcess xclip(command, Clients());
        return xclip.Wait() == 0 ? xclip.Out() : "";
    }

    // Starts xclip owning the selection with the bytes under the target (its default one when "").
    std::unique_ptr<testsupport::ChildProcess> Offer(const std::string& selection, const std::string& target,
                                                     const std::string& bytes)
    {
        return desktoptest::ServeSelection(mDisplay.Name(), selection, bytes, target);
    }

    testsupport::XvfbDisplay mDisplay;
    ScopedVariable mDisplayVariable{"DISPLAY", mDisplay.Name()};
};

TEST_F(DesktopSession, TheTextSelectedOnTheDesktopIsTheContextUnlessTheCommandLineGivesOne)
{
    auto xclip = Offer("primary", "", "Kind regards, Ann");
    // "Add Selected Text..." proposes the selected text as the clip's name; cancelled, nothing is added.
    const std::vector<std::string> add = {"--desktop", "choose", "--path", "Stashwell/Add Selected Text...",
                                          "--dialog", R"({"button": "cancel"})", "--json"};
    json report = Json(add);
    ASSERT_EQ(report["dialogs"].size(), 1u) << report.dump();
    EXPECT_EQ(report["dialogs"][0]["name"], "Kind regards, Ann");
    // There is no document on the desktop, and the report says which desktop it was.
    EXPECT_FALSE(report.contains("document")) << report.dump();
    EXPECT_EQ(report["desktop"], "x11");

    std::vector<std::string> given = add;
    given.insert(given.begin(), {"--text", "Other words"});
    report = Json(given);
    ASSERT_EQ(report["dialogs"].size(), 1u) << report.dump();
    EXPECT_EQ(report["dialogs"][0]["name"], "Other words");
}

// A caller that reads cmhost's output to its end (`x=$(cmhost ... 2>&1)`, a pipe to another
// program) returns once cmhost has: the clipboard's server left behind holds none of the caller's
// descriptors, its standard error and a descriptor 7 the caller opened included.
TEST_F(DesktopSession, ACallerReadingTheOutputToItsEndIsNotHeldByTheServer)
{
    int output[2];
    ASSERT_EQ(::pipe(output), 0);
    std::vector<std::string> arguments = {kCmhost, "--desktop", "clipboard", "set", "utxt=text:held by nobody"};
    arguments.insert(arguments.begin() + 1, mPrefix.begin(), mPrefix.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(output[1], STDERR_FILENO);
        ::dup2(output[1], 7);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(output[1]);
    ASSERT_GT(child, 0);
    // Far longer than the command takes: only output held open by someone else gets here.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::string printed;
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        pollfd readable = {output[0], POLLIN, 0};
        if (::poll(&readable, 1, 100) > 0) {
            char buffer[256];
            const ssize_t count = ::read(output[0], buffer, sizeof buffer);
            ended = count <= 0;
            printed.append(buffer, static_cast<size_t>(std::max<ssize_t>(count, 0)));
        }
    }
    ::close(output[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(ended) << "the output is still held open after 30 s";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << printed;
    EXPECT_EQ(ReadSelection("clipboard"), "held by nobody") << "the server still serves";
}

// Applications that never answer hold up the menu only briefly and are told; one that offers its
// content in more forms than a clip can keep is told so before anything is read or stored.
TEST_F(DesktopSession, MisbehavingOwnersAreToldAndHoldNothingUp)
{
    {
        auto clipboard = desktoptest::StartHostileOwner(mDisplay.Name(), "CLIPBOARD", "mute");
        auto primary = desktoptest::StartHostileOwner(mDisplay.Name(), "PRIMARY", "mute");
        const json menu = Json({"--desktop", "menu", "--json"});
        const std::string warnings = menu["warnings"].dump();
        EXPECT_NE(warnings.find("the desktop's clipboard was taken as empty"), std::string::npos) << warnings;
        EXPECT_NE(warnings.find("the text selected on the desktop was taken as none"), std::string::npos) << warnings;
        EXPECT_EQ(menu.dump().find("Add Clipboard Content..."), std::string::npos);
    }
    auto many = desktoptest::StartHostileOwner(mDisplay.Name(), "CLIPBOARD", "answering", 300);
    const json added = Json({"--desktop", "--dialog", R"({"name": "Many"})", "choose", "--path",
                             "Stashwell/Add Clipboard Content...", "--json"});
    ASSERT_EQ(added["alerts"].size(), 1u) << added.dump();
    EXPECT_EQ(added["alerts"][0]["message"],
              "The clipboard holds its content in more forms than a clip can keep (256), so it was not kept.");
    EXPECT_TRUE(added["dialogs"].empty());
    EXPECT_TRUE(cliplisttest::ReadStoredClipList().empty());
}

// Pastes made at the same moment into the focused application (a GTK entry) take turns: every clip
// arrives, each once.
TEST_F(DesktopSession, PastesAtOnceArriveEachOnce)
{
    constexpr int kClips = 5;
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kRounds = 2;
#else
    constexpr int kRounds = 5;
#endif
    for (int i = 0; i < kClips; ++i) {
        const json added = Json({"--text", "<" + std::to_string(i) + ">", "--dialog",
                                 json{{"name", "Clip " + std::to_string(i)}}.dump(), "choose", "--path",
                                 "Stashwell/Add Selected Text...", "--json"});
        ASSERT_TRUE(added["alerts"].empty()) << added.dump();
    }
    auto client = [&](const std::vector<std::string>& command) { return desktoptest::RunClient(mDisplay.Name(), command); };
    int lost = 0;
    int doubled = 0;
    for (int round = 0; round < kRounds; ++round) {
        testsupport::ChildProcess entry({"zenity", "--entry", "--title", "Paste target"}, Clients());
        const std::string windows = client({"xdotool", "search", "--sync", "--name", "Paste target"});
        client({"xdotool", "windowfocus", "--sync", windows.substr(0, windows.find('\n'))});
        std::vector<std::thread> pastes;
        std::vector<ProcessResult> results(kClips);
        for (int i = 0; i < kClips; ++i) {
            pastes.emplace_back([&, i] {
                results[static_cast<size_t>(i)] =
                    Run({"--desktop", "choose", "--path", "Stashwell/Clip " + std::to_string(i), "--json"});
            });
        }
        for (std::thread& paste : pastes)
            paste.join();
        for (const ProcessResult& result : results)
            EXPECT_EQ(result.exitStatus, 0) << result.err;
        client({"xdotool", "key", "Return"});
        ASSERT_TRUE(entry.Ended(60000)) << "the entry did not close on Return";
        const std::string text = entry.Out();
        for (int i = 0; i < kClips; ++i) {
            const std::string clip = "<" + std::to_string(i) + ">";
            size_t count = 0;
            for (size_t at = text.find(clip); at != std::string::npos; at = text.find(clip, at + 1))
                ++count;
            lost += count == 0 ? 1 : 0;
            doubled += count > 1 ? 1 : 0;
            EXPECT_EQ(count, 1u) << "round " << round << ": " << text;
        }
    }
    std::printf("[          ] %d rounds of %d pastes at once: %d lost, %d arrived more than once\n", kRounds, kClips,
                lost, doubled);
}

// A pasted secret leaves the desktop's clipboard a short time after its paste, and no file of the
// desktop's clipboard keeps it; content another program put there meanwhile is left alone.
TEST_F(DesktopSession, APastedSecretLeavesTheClipboardAndItsFiles)
{
    const std::string secret = "correct horse battery staple 7f3a";
    const std::string password = mFolder.Child("password");
    testsupport::WriteFile(password, "open sesame");
    Json({"--password-file", password, "--text", "x", "choose", "--id", "125", "--json"});
    Json({"--text", secret, "--dialog", R"({"name": "Bank", "secure": true})", "choose", "--id", "100", "--json"});
    ScopedVariable soon("STASHWELL_CLEAR_SECRETS_AFTER", "2");
    // Pasted while a reader (xclip, as the application would) fetches it.
    auto paste = [&] {
        json report;
        std::thread pasting(
            [&] { report = Json({"--desktop", "--password-file", password, "choose", "--path", "Stashwell/Bank", "--json"}); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool seen = false;
        while (!seen && std::chrono::steady_clock::now() < deadline)
            seen = ReadSelection("clipboard") == secret;
        pasting.join();
        EXPECT_TRUE(seen) << "the secret never reached the clipboard";
        EXPECT_TRUE(report["alerts"].empty()) << report.dump();
    };
    paste();
    // Far longer than the time it is given: only a secret that never leaves gets here.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ReadSelection("clipboard").empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ReadSelection("clipboard"), "") << "the secret is still on the clipboard";
    EXPECT_EQ(CountFilesHolding(std::getenv("XDG_RUNTIME_DIR"), secret), 0) << "files holding the secret";

    // Taken by another program before its time is up, the clipboard stays theirs.
    paste();
    auto other = Offer("clipboard", "", "theirs");
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(ReadSelection("clipboard"), "theirs");
}

// Content another program put on the clipboard becomes a clip with every target it was offered
// under; pasted once the clipboard holds something else, it is offered again under each of them,
// byte for byte, after cmhost has exited.
TEST_F(DesktopSession, AClipGivesBackEveryTargetTheClipboardOfferedByteForByte)
{
    std::string png = "\x89PNG\r\n\x1a\n";
    for (int i = 0; i < 70000; ++i) {
        png += static_cast<char>((i * 2654435761u) >> 13);
    }
    const std::pair<std::string, std::string> cases[] = {
        {"text/html", "<p>Caf\xC3\xA9 &amp; cr\xC3\xA8me</p>"},
        {"image/png", png},
        {"application/x-custom", std::string("one\0two", 7)},
    };
    int clip = 0;
    for (const auto& [target, bytes] : cases) {
        SCOPED_TRACE(target);
        const std::string name = "Clip " + std::to_string(++clip);
        {
            auto xclip = Offer("clipboard", target, bytes);
            json added = Json({"--desktop", "choose", "--path", "Stashwell/Add Clipboard Content...", "--dialog",
                               R"({"name": ")" + name + R"("})", "--json"});
            ASSERT_EQ(added["status"], 0) << added.dump();
        }
        ASSERT_EQ(Run({"--desktop", "clipboard", "set", "utxt=text:something else"}).exitStatus, 0);
        json pasted = Json({"--desktop", "choose", "--path", "Stashwell/" + name, "--json"});
        ASSERT_EQ(pasted["status"], 0) << pasted.dump();

        const std::string targets = ReadSelection("clipboard", "TARGETS");
        EXPECT_TRUE(Contains(targets, target + "\n")) << targets;
        const std::string content = ReadSelection("clipboard", target);
        EXPECT_TRUE(content == bytes) << content.size() << " bytes";
    }
}

// The clipboard server that holds the display's CLIPBOARD for cmhost processes that have exited,
// or -1: its arguments are its path, the display and the folder it serves.
pid_t ClipboardServerOf(const std::string& display)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        std::string commandLine((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const std::string program = commandLine.substr(0, commandLine.find('\0'));
        const std::string expected = "stashwell-clipboard-server";
        if (program.size() >= expected.size() &&
            program.compare(program.size() - expected.size(), expected.size(), expected) == 0 &&
            Contains(commandLine, std::string(1, '\0') + display + '\0')) {
            return static_cast<pid_t>(std::stol(entry.path().filename().string()));
        }
    }
    return -1;
}

// True once the process has ended (gone, or a zombie nobody has reaped yet): its connection to the
// display is closed then.
bool HasEnded(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string fields;
    std::getline(file, fields);
    const size_t state = fields.rfind(')');
    return !file || state == std::string::npos || state + 2 >= fields.size() || fields[state + 2] == 'Z';
}

// Many programs of the user put on the one desktop clipboard: writers at once, writers killed in
// the middle of a put, and the server that held it killed. Whatever happens, the clipboard offers
// one writer's content whole or nothing at all, never a mixture; the next put works; and the
// folder of the display keeps no more than a few generations.
TEST_F(DesktopSession, WritersAtOnceOrKilledLeaveOneWholeClipboardOrNone)
{
    int files = 0;
    auto contentFile = [&](const std::string& text) {
        const std::string file = mFolder.Child("content-" + std::to_string(++files));
        testsupport::WriteFile(file, text);
        return file;
    };
    // Big enough that a put takes many writes and the readers get it in pieces.
    auto content = [](const std::string& who) { return who + ": " + std::string(2 << 20, who.back()) + " end"; };
    auto put = [](const std::string& file) {
        return std::vector<std::string>{kCmhost, "--desktop", "clipboard", "set", "TEXT=@" + file};
    };

    constexpr int kWriters = 4;
    std::set<std::string> offered;
    std::vector<std::unique_ptr<testsupport::ChildProcess>> writers;
    for (int i = 0; i < kWriters; ++i) {
        const std::string text = content("writer " + std::to_string(i));
        offered.insert(text);
        writers.push_back(std::make_unique<testsupport::ChildProcess>(put(contentFile(text)), Clients()));
    }
    int failed = 0;
    for (auto& writer : writers) {
        if (writer->Wait() != 0) {
            ++failed;
            ADD_FAILURE() << writer->Err();
        }
    }
    const std::string afterWriters = ReadSelection("clipboard");
    EXPECT_EQ(offered.count(afterWriters), 1u) << "a mixture or nothing: " << afterWriters.size() << " bytes";

    // One whole run first, so that the kills spread over a whole put.
    testsupport::ChildEnd whole = RunCmhostOrKill(put(contentFile(content("whole"))), -1);
    ASSERT_EQ(whole.exitStatus, 0);
    constexpr int kRounds = 8;
    std::mt19937 random(2718);
    int keptBefore = 0, tookVictims = 0, empty = 0, other = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::string before = ReadSelection("clipboard");
        const std::string victim = content("victim " + std::to_string(round));
        RunCmhostOrKill(put(contentFile(victim)), static_cast<long>(random() % static_cast<unsigned long>(whole.micros + 1)));
        const std::string after = ReadSelection("clipboard");
        keptBefore += after == before && !after.empty();
        tookVictims += after == victim;
        empty += after.empty();
        other += after != before && after != victim && !after.empty();
    }
    std::printf("[          ] %d writers at once: %d failed; %d writers killed: the content before kept %d times, "
                "the victim's %d times, empty %d times, anything else %d times\n",
                kWriters, failed, kRounds, keptBefore, tookVictims, empty, other);
    EXPECT_EQ(other, 0) << "a killed put left a mixture or an older content";

    // With its server killed the clipboard is gone from the desktop, as with any program that
    // exits; the next put starts a new one.
    const pid_t server = ClipboardServerOf(mDisplay.Name());
    ASSERT_GT(server, 0);
    ASSERT_EQ(::kill(server, SIGKILL), 0);
    // Not read before the server has ended: a reader asking while the display still counts the
    // server as the owner would wait for an answer for ever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!HasEnded(server) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    while (!ReadSelection("clipboard").empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(ReadSelection("clipboard"), "");
    const std::string last = content("last");
    ASSERT_EQ(Run({"--desktop", "clipboard", "set", "TEXT=@" + contentFile(last)}).exitStatus, 0);
    EXPECT_TRUE(ReadSelection("clipboard") == last);

    int generations = 0;
    for (const auto& entry : std::filesystem::directory_iterator(mStorage.RuntimeDir())) {
        if (entry.path().filename().string().rfind("clipboard-x11-", 0) == 0) {
            for (const auto& inside : std::filesystem::directory_iterator(entry.path())) {
                generations += inside.path().filename().string().rfind("g", 0) == 0;
            }
        }
    }
    EXPECT_LE(generations, 4) << "generations left by killed writers are removed by the next put";
}

}  // namespace
