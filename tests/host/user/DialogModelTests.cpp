// The dialog model reads a window in rows, as the window places its controls rather than in the
// order they were added, keeps hidden controls marked, and finds the Cancel button only where a
// user could press it.
#include "user/DialogModel.h"

#include "host/support/NewClipTestWindow.h"

#include <gtest/gtest.h>

namespace {

using cmhost::DialogModel;

// Each control as "row:label", the label its title, else its text; hidden ones in brackets.
std::vector<std::string> Read(const DialogModel& dialog)
{
    std::vector<std::string> read;
    for (const cmhost::DialogControl& each : dialog.Controls()) {
        const std::string label = std::to_string(each.row) + ":" + (!each.title.empty() ? each.title : each.text);
        read.push_back(each.Shown() ? label : "[" + label + "]");
    }
    return read;
}

TEST(DialogModel, ReadsRowsTopToBottomAndFindsOnlyAShownCancelButton)
{
    hosttest::NewClipTestWindow test;
    // The combo box was added last; the name's label is shorter than its field and a little higher.
    const std::vector<std::string> rows = {"0:Name:", "0:Dear John,", "1:/Stashwell", "2:Secure",
                                           "3:Plain text only", "4:Cancel", "4:OK"};
    DialogModel dialog(test.Window());
    EXPECT_EQ(Read(dialog), rows);
    ASSERT_NE(dialog.CancelButton(), nullptr);
    EXPECT_EQ(dialog.CancelButton()->title, "Cancel");
    EXPECT_EQ(dialog.DefaultButton()->title, "OK");

    HideControl(test.PlainTextBox());
    std::vector<std::string> hidden = rows;
    hidden[4] = "[3:Plain text only]";
    EXPECT_EQ(Read(DialogModel(test.Window())), hidden);

    HideControl(dialog.CancelButton()->control);
    EXPECT_EQ(DialogModel(test.Window()).CancelButton(), nullptr);
}

}  // namespace
