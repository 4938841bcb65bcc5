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
    std::optional<std::string> firstName;
    {
        testsupport::XvfbDisplay first;
        testsupport::XvfbDisplay second;
        ASSERT_NE(first.Name(), second.Name());
        firstName = first.Name();
        auto opened = DesktopConnection::Open(first.Name().c_str());
        ASSERT_TRUE(opened.Ok()) << opened.Reason();
        auto connection = std::move(opened.Value());
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
        auto openedOther = DesktopConnection::Open(first.Name().c_str());
        ASSERT_TRUE(openedOther.Ok()) << openedOther.Reason();
        auto other = std::move(openedOther.Value());
        std::vector<xcb_atom_t> asked = atoms;
        asked.push_back(0x3fffffff);
        std::vector<std::string> expected = names;
        expected.push_back("");
        EXPECT_EQ(other->AtomNames(asked), expected);
        EXPECT_EQ(other->Atom("image/png"), atoms[2]);
    }
    // The server was stopped and waited for: nothing answers on its display any more.
    auto gone = DesktopConnection::Open(firstName->c_str());
    EXPECT_FALSE(gone.Ok());
    EXPECT_NE(gone.Reason().find(*firstName), std::string::npos) << gone.Reason();
}

}  // namespace
