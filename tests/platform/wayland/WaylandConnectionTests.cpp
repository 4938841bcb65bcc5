#include "wayland/WaylandConnection.h"

#include "support/TempDir.h"

#include "ScopedFd.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <gtest/gtest.h>

namespace {

using platform::wayland::WaylandConnection;

// A compositor that is not there, and one that takes the connection but never answers (as one that
// was stopped): each is named, and neither holds the caller for longer than a round trip's patience.
TEST(WaylandConnection, NamesTheCompositorThatIsNotThereOrDoesNotAnswer)
{
    testsupport::ScopedTempDir folder;
    auto absent = WaylandConnection::Open(folder.Child("wayland-9").c_str());
    EXPECT_FALSE(absent.Ok());
    EXPECT_NE(absent.Reason().find("wayland-9"), std::string::npos) << absent.Reason();

    const std::string silent = folder.Child("wayland-silent");
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    silent.copy(address.sun_path, sizeof address.sun_path - 1);
    platform::ScopedFd listening(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_EQ(::bind(listening.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening.Get(), 4), 0);
    platform::wayland::SetRoundtripPatienceForTesting(std::chrono::milliseconds(200));
    auto silentOne = WaylandConnection::Open(silent.c_str());
    EXPECT_FALSE(silentOne.Ok());
    EXPECT_NE(silentOne.Reason().find("does not answer"), std::string::npos) << silentOne.Reason();
    platform::wayland::SetRoundtripPatienceForTesting(std::chrono::seconds(10));
}

}  // namespace
