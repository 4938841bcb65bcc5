#include "support/SessionBus.h"

#include "support/TempDir.h"

#include <chrono>
#include <stdexcept>

namespace testsupport {
namespace {

// Only so that a helper that hangs cannot hang the suite.
constexpr auto kStartLimit = std::chrono::seconds(30);

}  // namespace

std::string AwaitFirstLine(ChildProcess& child, const std::string& name)
{
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    for (;;) {
        const std::string out = child.Out();
        if (const size_t end = out.find('\n'); end != std::string::npos)
            return out.substr(0, end);
        if (child.Ended())
            throw std::runtime_error(name + " ended as it started: " + child.Err());
        if (std::chrono::steady_clock::now() >= deadline)
            throw std::runtime_error(name + " did not start in time: " + child.Err());
        child.Ended(20);
    }
}

PrivateSessionBus::PrivateSessionBus()
{
    // A session bus that starts no service of its own accord: the installed ones (a notification
    // daemon, the accessibility bus) would otherwise start on a first call to their names.
    const std::string config = mFolder.Child("bus.conf");
    if (!WriteFile(config, "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n"))
        throw std::runtime_error("cannot write " + config);
    // A socket in the test's own folder: nothing else can be on this bus.
    mDaemon = std::make_unique<ChildProcess>(std::vector<std::string>{
        "dbus-daemon", "--config-file=" + config, "--nofork", "--nopidfile", "--print-address",
        "--address=unix:path=" + mFolder.Child("bus")});
    mAddress = AwaitFirstLine(*mDaemon, "dbus-daemon");
    mVariable = std::make_unique<ScopedVariable>("DBUS_SESSION_BUS_ADDRESS", mAddress);
}

PrivateSessionBus::~PrivateSessionBus() = default;

}  // namespace testsupport
