#include "wayland/PortalKeyboard.h"

#include "base/AtomicFileWriter.h"
#include "base/ErrnoStatus.h"
#include "base/RegularFile.h"
#include "base/UserFolders.h"
#include "base/Warnings.h"
#include "events/DesktopKeys.h"
#include "prefs/PreferencesPaths.h"
#include "wayland/PortalBus.h"

#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>

namespace platform::wayland {
namespace {

constexpr const char* kRemoteDesktop = "org.freedesktop.portal.RemoteDesktop";
constexpr uint32_t kKeyboardDevice = 1;
// The permission lasts until the user revokes it, not only as long as this session.
constexpr uint32_t kPersistUntilRevoked = 2;
// Creating a session and choosing its devices need no one's decision; starting it may wait for the
// user to read the desktop's question and answer it.
constexpr std::chrono::seconds kSetUpLimit{10};
constexpr std::chrono::seconds kConsentLimit{60};
// A restore token is a short text (a UUID on the desktops we know); anything longer is not one.
constexpr size_t kMaxTokenBytes = 4096;

// The token kept from the last session, if the file holds one that looks like a token: a file
// that someone else wrote garbage into is passed over, and the desktop asks the user again.
std::optional<std::string> ReadRestoreToken()
{
    std::optional<std::string> path = PortalRestoreTokenPath();
    if (!path)
        return std::nullopt;
    Result<std::string> read = ReadRegularFile(*path, kMaxTokenBytes);
    if (!read.Ok())
        return std::nullopt;
    std::string& token = read.Value();
    while (!token.empty() && token.back() == '\n')
        token.pop_back();
    for (char c : token) {
        if (c <= ' ' || c > '~')
            return std::nullopt;
    }
    return token.empty() ? std::nullopt : std::optional<std::string>(token);
}

// Keeps the token the desktop gave for next time; a token is good for one session only, so with
// none the spent one goes. The session works either way: a failure costs the user one more
// question from the desktop next time, which the user hears of.
void KeepRestoreToken(const std::optional<std::string>& token)
{
    std::optional<std::string> path = PortalRestoreTokenPath();
    if (!path)
        return;
    if (!token) {
        ::unlink(path->c_str());
        return;
    }
    const std::string folder = path->substr(0, path->rfind('/'));
    int failed = 0;
    if (!prefs::CreateFolders(folder))
        failed = errno != 0 ? errno : ENOTDIR;
    else
        failed = WriteFileAtomically(*path, token->data(), token->size()).Errno();
    if (failed != 0) {
        ReportWarning(ErrnoReason("cannot keep the desktop's permission to type the paste keystroke in " + *path,
                                  failed) +
                      " (the desktop will ask again next time)");
    }
}

class PortalKeyboard {
public:
    PortalKeyboard(std::unique_ptr<PortalBus> bus, std::string session)
        : mBus(std::move(bus)), mSession(std::move(session))
    {
    }
    ~PortalKeyboard()
    {
        BusError ignored;
        sd_bus_call_method(mBus->Get(), PortalBus::kService, mSession.c_str(), "org.freedesktop.portal.Session",
                           "Close", &ignored.error, nullptr, "");
    }
    PortalKeyboard(const PortalKeyboard&) = delete;
    PortalKeyboard& operator=(const PortalKeyboard&) = delete;

    PortalBus* Bus() const { return mBus.get(); }

    CGError Type(const PlatformKeyboardEvent& event)
    {
        if (event.kind != kPlatformKeyEvent)
            return kCGErrorSuccess;
        std::optional<uint32_t> keysym = events::DesktopKeysymForVirtualKey(event.keyCode);
        if (!keysym)
            return kCGErrorIllegalArgument;
        // Each key waits for the portal's reply, so that the keys reach the desktop in order.
        BusError error;
        const int r = sd_bus_call_method(mBus->Get(), PortalBus::kService, PortalBus::kObject, kRemoteDesktop,
                                         "NotifyKeyboardKeysym", &error.error, nullptr, "oa{sv}iu", mSession.c_str(),
                                         0, static_cast<int32_t>(*keysym), event.keyDown ? 1u : 0u);
        return r >= 0 ? kCGErrorSuccess : kCGErrorFailure;
    }

private:
    std::unique_ptr<PortalBus> mBus;
    std::string mSession;  // the session's object path
};

std::mutex gKeyboardMutex;
std::unique_ptr<PortalKeyboard> gKeyboard;

// The reason for a request the portal answered with something other than success.
std::string Refusal(const char* what, uint32_t code)
{
    if (code == 1)
        return std::string("the user refused the desktop's request to ") + what;
    return std::string("the desktop portal ended its request to ") + what + " (answer " + std::to_string(code) + ")";
}

Failure Refused(const char* what, uint32_t code)
{
    return Failure{kPlatformNoDesktopErr, 0, Refusal(what, code)};
}

Result<std::unique_ptr<PortalKeyboard>> StartSession()
{
    Result<std::unique_ptr<PortalBus>> opened = PortalBus::Open();
    if (!opened.Ok())
        return opened.Error();
    std::unique_ptr<PortalBus> bus = std::move(opened.Value());
    auto none = [](sd_bus_message*) { return 0; };
    Result<PortalResponse> creating =
        bus->Request(kRemoteDesktop, "CreateSession", none, {{"session_handle_token", bus->NewToken()}}, kSetUpLimit);
    if (!creating.Ok())
        return creating.Error();
    PortalResponse& created = creating.Value();
    if (created.code != 0 || created.texts.count("session_handle") == 0)
        return Refused("make a remote-control session", created.code);
    // From here on the session is closed when the keyboard goes, also when it fails to start.
    const std::string session = created.texts["session_handle"];
    auto started = std::make_unique<PortalKeyboard>(std::move(bus), session);
    PortalBus& portal = *started->Bus();
    auto onSession = [&session](sd_bus_message* call) { return sd_bus_message_append(call, "o", session.c_str()); };

    std::vector<PortalOption> devices = {{"types", kKeyboardDevice}, {"persist_mode", kPersistUntilRevoked}};
    if (std::optional<std::string> token = ReadRestoreToken())
        devices.push_back({"restore_token", *token});
    Result<PortalResponse> selected = portal.Request(kRemoteDesktop, "SelectDevices", onSession, devices, kSetUpLimit);
    if (!selected.Ok())
        return selected.Error();
    if (selected->code != 0)
        return Refused("choose the keyboard", selected->code);
    auto onSessionAndWindow = [&session](sd_bus_message* call) {
        return sd_bus_message_append(call, "os", session.c_str(), "");
    };
    Result<PortalResponse> starting = portal.Request(kRemoteDesktop, "Start", onSessionAndWindow, {}, kConsentLimit);
    if (!starting.Ok())
        return starting.Error();
    PortalResponse& start = starting.Value();
    if (start.code != 0)
        return Refused("let Stashwell type the paste keystroke", start.code);
    if ((start.numbers["devices"] & kKeyboardDevice) == 0)
        return Failure{kPlatformNoDesktopErr, 0, "the desktop started the remote-control session without the keyboard"};
    KeepRestoreToken(start.texts.count("restore_token") != 0 ? std::optional<std::string>(start.texts["restore_token"])
                                                             : std::nullopt);
    return started;
}

}  // namespace

std::optional<std::string> PortalRestoreTokenPath()
{
    std::optional<std::string> state = UserBaseFolder("XDG_STATE_HOME", ".local/state");
    if (!state)
        return std::nullopt;
    return *state + "/stashwell/remote-desktop-token";
}

Result<void> ConnectPortalKeyboard()
{
    DisconnectPortalKeyboard();
    Result<std::unique_ptr<PortalKeyboard>> started = StartSession();
    if (!started.Ok()) {
        return started.Error();
    }
    std::lock_guard lock(gKeyboardMutex);
    gKeyboard = std::move(started.Value());
    return {};
}

void DisconnectPortalKeyboard()
{
    std::unique_ptr<PortalKeyboard> gone;
    std::lock_guard lock(gKeyboardMutex);
    gone = std::move(gKeyboard);
}

CGError TypeThroughPortal(const PlatformKeyboardEvent& event)
{
    std::lock_guard lock(gKeyboardMutex);
    return gKeyboard ? gKeyboard->Type(event) : kCGErrorSuccess;
}

}  // namespace platform::wayland
