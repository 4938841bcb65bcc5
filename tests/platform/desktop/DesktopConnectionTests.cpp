// The connection to the display, on servers of the test's own.
#include "desktop/DesktopConnection.h"

#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace {

using platform::desktop::DesktopConnection;

TEST(DesktopConnectionTests, EachTestServerIsItsOwnDisplayAndGoesAwayWithItsOwner)
{
    std::string error;
    std::optional<std::string> firstName;
    {
        testsupport::XvfbDisplay first;
        testsupport::XvfbDisplay second;
        ASSERT_NE(first.Name(), second.Name());
        firstName = first.Name();
        auto connection = DesktopConnection::Open(first.Name().c_str(), error);
        ASSERT_TRUE(connection) << error;
        EXPECT_TRUE(connection->Healthy());
        // Atoms are the server's: a name interned twice is the same atom, and it names itself.
        xcb_atom_t atom = connection->Atom("STASHWELL_TEST_ATOM");
        ASSERT_NE(atom, static_cast<xcb_atom_t>(XCB_ATOM_NONE));
        EXPECT_EQ(connection->Atom("STASHWELL_TEST_ATOM"), atom);
        EXPECT_EQ(connection->AtomName(atom), "STASHWELL_TEST_ATOM");
    }
    // The server was stopped and waited for: nothing answers on its display any more.
    EXPECT_FALSE(DesktopConnection::Open(firstName->c_str(), error));
    EXPECT_NE(error.find(*firstName), std::string::npos) << error;
}

}  // namespace
