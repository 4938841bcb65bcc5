// The connection to the display, on servers of the test's own.
#include "desktop/DesktopConnection.h"

#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

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
        // Asked together, known and new alike, each in its place; another connection, which knows
        // none of them yet, names them back in the same order; an atom the server never made has
        // no name.
        const std::vector<std::string> names = {"text/html", "STASHWELL_TEST_ATOM", "image/png", "text/html"};
        const std::vector<xcb_atom_t> atoms = connection->Atoms(names);
        ASSERT_EQ(atoms.size(), names.size());
        EXPECT_EQ(atoms[1], atom);
        EXPECT_EQ(atoms[0], atoms[3]);
        EXPECT_NE(atoms[0], atoms[2]);
        auto other = DesktopConnection::Open(first.Name().c_str(), error);
        ASSERT_TRUE(other) << error;
        std::vector<xcb_atom_t> asked = atoms;
        asked.push_back(0x3fffffff);
        std::vector<std::string> expected = names;
        expected.push_back("");
        EXPECT_EQ(other->AtomNames(asked), expected);
        EXPECT_EQ(other->Atom("image/png"), atoms[2]);
    }
    // The server was stopped and waited for: nothing answers on its display any more.
    EXPECT_FALSE(DesktopConnection::Open(firstName->c_str(), error));
    EXPECT_NE(error.find(*firstName), std::string::npos) << error;
}

}  // namespace
