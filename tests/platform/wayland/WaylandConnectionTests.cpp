#include "wayland/WaylandConnection.h"

#include "support/HeadlessSway.h"

#include <gtest/gtest.h>

namespace {

using platform::wayland::WaylandConnection;

TEST(WaylandConnection, FindsWhatTheDesktopNeedsOnHeadlessSway)
{
    testsupport::HeadlessSway sway;
    std::string error;
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::Open(sway.Socket().c_str(), error);
    ASSERT_NE(connection, nullptr) << error;
    for (const char* interface : {"zwlr_data_control_manager_v1", "zwp_virtual_keyboard_manager_v1",
                                  "zwlr_layer_shell_v1", "wl_seat"}) {
        EXPECT_NE(connection->Find(interface), nullptr) << interface;
    }
    EXPECT_GE(connection->Find("zwlr_data_control_manager_v1")->version, 2u) << "no primary selection";
    EXPECT_NE(connection->Seat(), nullptr);
    EXPECT_TRUE(connection->Roundtrip());
    EXPECT_TRUE(connection->Healthy());
}

TEST(WaylandConnection, NamesTheCompositorThatIsNotThere)
{
    testsupport::ScopedTempDir folder;
    std::string error;
    EXPECT_EQ(WaylandConnection::Open(folder.Child("wayland-9").c_str(), error), nullptr);
    EXPECT_NE(error.find("wayland-9"), std::string::npos) << error;
}

}  // namespace
