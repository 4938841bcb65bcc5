// The Qt UI driver over a window whose handlers do what the plug-in's may: hide a box while
// another is checked, refuse OK and keep the window open; with a run-loop timer changing the
// window while the person looks at it.
#include "dialogs/QtUIDriver.h"

#include "host/support/NewClipTestWindow.h"
#include "popup/dialogs/ModalScript.h"

#include <QLineEdit>

namespace {

using hosttest::NewClipTestWindow;
using popuptest::Click;
using popuptest::Titled;

void RenameFromTimer(CFRunLoopTimerRef, void* info)
{
    hitoolboxtest::SetTextOf(static_cast<NewClipTestWindow*>(info)->NameField(), "Named by a timer");
}

TEST(DialogWindowTest, WidgetsFollowTimersAndHandlers)
{
    popup::QtUIDriver driver;
    NewClipTestWindow test;
    test.RefuseOK(1);
    CFRunLoopTimerContext context{0, &test, nullptr, nullptr, nullptr};
    auto timer = platform::AdoptCF(CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 0, 0, 0, RenameFromTimer, &context));
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer.Get(), kCFRunLoopCommonModes);
    popuptest::ModalScript person;
    // The person answers once the timer's name shows: timers fire while the window waits.
    person.Then(
        [&test](QWidget* w) {
            Click(w, "Secure");
            EXPECT_FALSE(Titled(w, "Plain text only")->isVisible()) << "hidden by the Secure box's handler";
            QTest::keyClick(Titled(w, "Secure"), Qt::Key_Space);
            EXPECT_TRUE(Titled(w, "Plain text only")->isVisible());
            Click(w, "Plain text only");
            QTest::keyClick(w->findChild<QLineEdit*>("Swdg/3"), Qt::Key_Return);
            EXPECT_TRUE(w->isVisible()) << "OK was refused";
            EXPECT_EQ(test.OKCount(), 1);
            QTest::keyClick(w->findChild<QLineEdit*>("Swdg/3"), Qt::Key_Return);
        },
        [](QWidget* w) { return w->findChild<QLineEdit*>("Swdg/3")->text() == "Named by a timer"; });
    EXPECT_EQ(test.Run(driver.Interface()), noErr);
    EXPECT_EQ(test.Ending(), static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(test.OKCount(), 2);
    EXPECT_EQ(test.Name(), "Named by a timer");
    EXPECT_EQ(GetControlValue(test.SecureBox()), 0);
    EXPECT_EQ(GetControlValue(test.PlainTextBox()), 1);
    EXPECT_EQ(driver.WindowFor(test.Window()), nullptr) << "let go when the loop ended";
    CFRunLoopTimerInvalidate(timer.Get());
}

TEST(DialogWindowTest, WithoutACancelButtonEscapeClicksTheCloseBox)
{
    popup::QtUIDriver driver;
    NewClipTestWindow test(false);
    popuptest::ModalScript person;
    person.Then([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(test.Run(driver.Interface()), noErr);
    EXPECT_EQ(test.Ending(), static_cast<MenuCommand>('clos'));
}

// A row hidden when the window opens takes no room; shown later, it gets its room back. OK and
// Cancel are in the desktop's order, whichever order the interface file drew them in, and Tab
// follows them so.
TEST(DialogWindowTest, AHiddenRowLeavesNoEmptyBandAndTheButtonsAreInTheDesktopsOrder)
{
    popup::QtUIDriver driver;
    NewClipTestWindow test;
    HideControl(test.PlainTextBox());
    popuptest::ModalScript person;
    person.Then([](QWidget* w) {
        QWidget* secure = Titled(w, "Secure");
        QWidget* plain = Titled(w, "Plain text only");
        QWidget* ok = Titled(w, "OK");
        EXPECT_TRUE(popuptest::InDesktopOrder(w, "OK", "Cancel"));
        QWidget* cancel = Titled(w, "Cancel");
        // Tab goes from the left button to the right one, as they are drawn.
        EXPECT_EQ((ok->x() < cancel->x() ? ok : cancel)->nextInFocusChain(), ok->x() < cancel->x() ? cancel : ok);
        EXPECT_LT(ok->y() - secure->geometry().bottom(), plain->height());
        Click(w, "Secure");
        Click(w, "Secure");  // unticked, it shows the box
        ASSERT_TRUE(plain->isVisible());
        EXPECT_GT(plain->y(), secure->geometry().bottom());
        EXPECT_GT(ok->y(), plain->geometry().bottom());
        EXPECT_LE(ok->geometry().bottom(), w->height());
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(test.Run(driver.Interface()), noErr);
}

}  // namespace
