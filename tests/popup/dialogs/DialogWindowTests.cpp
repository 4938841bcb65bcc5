// The Qt UI driver over a dialog window set up as the plug-in sets up "New Clip": what the person
// sees (texts, the list, the focus and selection, hidden controls, the layout of the frames), what
// their actions do to the window through its own handlers, a window that refuses OK, run-loop
// timers firing while it waits, and the window gone when its loop ends.
#include "dialogs/DialogWindow.h"
#include "dialogs/QtUIDriver.h"

#include "host/support/NewClipTestWindow.h"
#include "popup/dialogs/ModalScript.h"
#include "popup/support/OffscreenApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using hosttest::NewClipTestWindow;
using popuptest::Find;
using popuptest::ModalScript;

class DialogWindowTest : public testing::Test {
protected:
    void SetUp() override { popuptest::OffscreenApplication(); }

    // Runs the window's loop with the Qt driver; the script plays the person.
    OSStatus Run() { return mTest.Run(mDriver.Interface()); }

    QCheckBox* Box(QWidget* window, const char* title)
    {
        for (QCheckBox* box : window->findChildren<QCheckBox*>())
            if (box->text() == QString::fromUtf8(title))
                return box;
        ADD_FAILURE() << "no check box " << title;
        return nullptr;
    }
    QPushButton* Button(QWidget* window, const char* title)
    {
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->text() == QString::fromUtf8(title))
                return button;
        ADD_FAILURE() << "no button " << title;
        return nullptr;
    }

    popup::QtUIDriver mDriver;
    NewClipTestWindow mTest;
    ModalScript mPerson;
};

TEST_F(DialogWindowTest, ShowsTheWindowAsItIsSetUp)
{
    mPerson.Then([this](QWidget* window) {
        EXPECT_EQ(window->windowTitle(), "New Clip");
        QLineEdit* name = Find<QLineEdit>(window, "Swdg/3");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), "Dear John,");
        EXPECT_EQ(name->selectedText(), "Dear John,") << "the proposed name is selected, to be typed over";
        EXPECT_TRUE(name->hasFocus() || window->focusWidget() == name);
        auto* combo = window->findChild<QComboBox*>();
        ASSERT_NE(combo, nullptr);
        EXPECT_TRUE(combo->isEditable());
        EXPECT_EQ(combo->currentText(), "/Stashwell");
        EXPECT_EQ(combo->count(), 2);
        EXPECT_EQ(combo->itemText(1), "/Stashwell/Work");
        QStringList labels;
        for (QLabel* label : window->findChildren<QLabel*>())
            labels.push_back(label->text());
        labels.sort();
        EXPECT_EQ(labels, (QStringList{"Name:"}));
        QPushButton* ok = Button(window, "OK");
        QPushButton* cancel = Button(window, "Cancel");
        ASSERT_TRUE(ok != nullptr && cancel != nullptr);
        EXPECT_TRUE(ok->isDefault());
        EXPECT_FALSE(cancel->isDefault());
        EXPECT_TRUE(Box(window, "Plain text only")->isVisible());

        // Laid out by the window's frames: label left of its field, Cancel left of OK on one row
        // below the boxes, and every widget inside the window without overlapping another.
        EXPECT_LT(window->findChild<QLabel*>()->geometry().right(), name->geometry().left());
        EXPECT_LT(cancel->geometry().right(), ok->geometry().left());
        EXPECT_EQ(cancel->geometry().center().y(), ok->geometry().center().y());
        EXPECT_GT(ok->geometry().top(), Box(window, "Plain text only")->geometry().bottom());
        const QList<QWidget*> widgets = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : widgets) {
            EXPECT_TRUE(window->rect().contains(a->geometry())) << a->objectName().toStdString();
            for (QWidget* b : widgets)
                EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString() << " overlaps " << b->objectName().toStdString();
        }
        QTest::keyClick(window, Qt::Key_Escape);
    });
    EXPECT_EQ(Run(), noErr);
}

// Each row: what the person does in the window, and what the window's handler saw end it.
struct Ending {
    const char* name;
    std::function<void(QWidget* window)> act;
    MenuCommand ending;
    const char* nameAfter;
    const char* submenuAfter;
};

TEST_F(DialogWindowTest, ThePersonsActionsReachTheWindowsHandlers)
{
    const Ending endings[] = {
        {"typing a name, then Return",
         [](QWidget* window) {
             QLineEdit* name = window->findChild<QLineEdit*>("Swdg/3");
             QTest::keyClicks(name, "Sign-off");
             QTest::keyClick(name, Qt::Key_Return);
         },
         kHICommandOK, "Sign-off", "/Stashwell"},
        {"typing a new submenu, then Return in it",
         [](QWidget* window) {
             QLineEdit* field = window->findChild<QComboBox*>()->lineEdit();
             field->selectAll();
             QTest::keyClicks(field, "/Stashwell/Mail");
             QTest::keyClick(field, Qt::Key_Return);
         },
         kHICommandOK, "Dear John,", "/Stashwell/Mail"},
        {"picking a submenu from the list, then OK",
         [this](QWidget* window) {
             QTest::keyClick(window->findChild<QComboBox*>(), Qt::Key_Down);
             QTest::mouseClick(Button(window, "OK"), Qt::LeftButton);
         },
         kHICommandOK, "Dear John,", "/Stashwell/Work"},
        {"typing, then Escape",
         [](QWidget* window) {
             QLineEdit* name = window->findChild<QLineEdit*>("Swdg/3");
             QTest::keyClicks(name, "Other");
             QTest::keyClick(name, Qt::Key_Escape);
         },
         kHICommandCancel, "Other", "/Stashwell"},
        {"the Cancel button", [this](QWidget* window) { QTest::mouseClick(Button(window, "Cancel"), Qt::LeftButton); },
         kHICommandCancel, "Dear John,", "/Stashwell"},
        {"closing the window", [](QWidget* window) { window->close(); }, 'clos', "Dear John,", "/Stashwell"},
    };
    for (const Ending& ending : endings) {
        NewClipTestWindow test;
        mPerson.Then(ending.act);
        EXPECT_EQ(test.Run(mDriver.Interface()), noErr) << ending.name;
        EXPECT_EQ(test.Ending(), ending.ending) << ending.name;
        EXPECT_EQ(test.Name(), ending.nameAfter) << ending.name;
        EXPECT_EQ(test.Submenu(), ending.submenuAfter) << ending.name;
        EXPECT_EQ(mDriver.WindowFor(test.Window()), nullptr) << ending.name << ": the window is let go with its loop";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << ending.name << ": the window is gone";
    }
}

TEST_F(DialogWindowTest, WithoutACancelButtonEscapeClosesTheWindow)
{
    NewClipTestWindow test(false);
    mPerson.Then([](QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); });
    EXPECT_EQ(test.Run(mDriver.Interface()), noErr);
    EXPECT_EQ(test.Ending(), static_cast<MenuCommand>('clos'));
}

TEST_F(DialogWindowTest, WidgetsFollowWhatTheHandlersChange)
{
    mPerson
        .Then([this](QWidget* window) {
            // The Secure box's handler hides "Plain text only" while it is checked.
            popuptest::ClickBox(Box(window, "Secure"));
            EXPECT_TRUE(Box(window, "Secure")->isChecked());
            EXPECT_FALSE(Box(window, "Plain text only")->isVisible());
            QTest::keyClick(Box(window, "Secure"), Qt::Key_Space);
            EXPECT_FALSE(Box(window, "Secure")->isChecked());
            EXPECT_TRUE(Box(window, "Plain text only")->isVisible());
            popuptest::ClickBox(Box(window, "Plain text only"));
            // The first OK is refused: the window stays, as it is.
            QTest::keyClick(window->findChild<QLineEdit*>("Swdg/3"), Qt::Key_Return);
        })
        .ThenSameWindow([this](QWidget* window) {
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(mTest.OKCount(), 1);
            EXPECT_TRUE(Box(window, "Plain text only")->isChecked());
            QTest::keyClick(window->findChild<QLineEdit*>("Swdg/3"), Qt::Key_Return);
        });
    mTest.RefuseOK(1);
    EXPECT_EQ(Run(), noErr);
    EXPECT_EQ(mTest.Ending(), static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(mTest.OKCount(), 2);
    EXPECT_EQ(GetControlValue(mTest.SecureBox()), 0);
    EXPECT_EQ(GetControlValue(mTest.PlainTextBox()), 1);
}

void RenameFromTimer(CFRunLoopTimerRef, void* info)
{
    hitoolboxtest::SetTextOf(static_cast<NewClipTestWindow*>(info)->NameField(), "Named by a timer");
}

// A run-loop timer of the common modes fires while the person looks at the window, and what it
// changes in the window is shown: the person only answers once the new name is there.
TEST_F(DialogWindowTest, RunLoopTimersFireWhileTheWindowWaits)
{
    CFRunLoopTimerContext context{0, &mTest, nullptr, nullptr, nullptr};
    platform::CFOwner<CFRunLoopTimerRef> timer = platform::AdoptCF(
        CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 0, 0, 0, RenameFromTimer, &context));
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer.Get(), kCFRunLoopCommonModes);
    bool sawTheNewName = false;
    // The script only takes the window in; the watch below answers it.
    mPerson.Then([](QWidget*) {});
    // Watches until the window shows the timer's name, then presses Return.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* window = QApplication::activeModalWidget();
        auto* name = window != nullptr ? window->findChild<QLineEdit*>("Swdg/3") : nullptr;
        if (name != nullptr && name->text() == "Named by a timer" && !sawTheNewName) {
            sawTheNewName = true;
            QTest::keyClick(name, Qt::Key_Return);
        }
    });
    watch.start(5);
    EXPECT_EQ(Run(), noErr);
    EXPECT_TRUE(sawTheNewName);
    EXPECT_EQ(mTest.Name(), "Named by a timer");
    CFRunLoopTimerInvalidate(timer.Get());
}

}  // namespace
