// Standard alerts shown by the Qt UI driver as message boxes: their texts, icon and buttons, and
// the number of the button the person chose, by click, Return or Escape.
#include "dialogs/QtUIDriver.h"

#include "popup/dialogs/ModalScript.h"
#include "popup/support/OffscreenApplication.h"

#include "CFOwner.h"

#include <Carbon/Carbon.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using popuptest::ModalScript;

QAbstractButton* Titled(QWidget* box, const char* title)
{
    for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
        if (button->text() == QString::fromUtf8(title))
            return button;
    ADD_FAILURE() << "no button " << title;
    return nullptr;
}

// Runs a caution alert with OK, and Cancel and "Don't Replace" as asked, under the driver.
OSStatus RunAlert(const PlatformUIDriver& driver, bool withCancel, bool withOther, DialogItemIndex* itemHit)
{
    AlertStdCFStringAlertParamRec params;
    GetStandardAlertDefaultParams(&params, kStdCFStringAlertVersionOne);
    params.defaultText = CFSTR("Replace");
    if (withCancel) {
        params.cancelText = kAlertDefaultCancelText;
        params.cancelButton = kAlertStdAlertCancelButton;
    }
    if (withOther)
        params.otherText = CFSTR("Keep Both");
    DialogRef alert = nullptr;
    EXPECT_EQ(CreateStandardAlert(kAlertCautionAlert, CFSTR("Replace “Greeting”?"), CFSTR("A clip of that name exists."),
                                  &params, &alert),
              noErr);
    PlatformInstallUIDriver(&driver);
    const OSStatus status = RunStandardAlert(alert, nullptr, itemHit);
    PlatformInstallUIDriver(nullptr);
    return status;
}

struct AlertCase {
    const char* name;
    bool withCancel;
    bool withOther;
    std::function<void(QWidget* box)> act;
    DialogItemIndex answer;
};

TEST(AlertBoxTest, ThePersonsButtonIsTheAnswer)
{
    popuptest::OffscreenApplication();
    const AlertCase cases[] = {
        {"Return presses the default button", true, true, [](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); },
         kAlertStdAlertOKButton},
        {"Escape presses Cancel", true, true, [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); },
         kAlertStdAlertCancelButton},
        {"a click on Cancel", true, false,
         [](QWidget* box) { QTest::mouseClick(Titled(box, "Cancel"), Qt::LeftButton); }, kAlertStdAlertCancelButton},
        {"a click on the third button", true, true,
         [](QWidget* box) { QTest::mouseClick(Titled(box, "Keep Both"), Qt::LeftButton); }, kAlertStdAlertOtherButton},
        {"a click on the default button", false, true,
         [](QWidget* box) { QTest::mouseClick(Titled(box, "Replace"), Qt::LeftButton); }, kAlertStdAlertOKButton},
    };
    for (const AlertCase& each : cases) {
        popup::QtUIDriver driver;
        ModalScript person;
        person.Then(each.act);
        DialogItemIndex itemHit = 0;
        EXPECT_EQ(RunAlert(driver.Interface(), each.withCancel, each.withOther, &itemHit), noErr) << each.name;
        EXPECT_EQ(itemHit, each.answer) << each.name;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << each.name << ": the box is gone";
    }
}

TEST(AlertBoxTest, ShowsTheAlertAsItIsMade)
{
    popuptest::OffscreenApplication();
    popup::QtUIDriver driver;
    ModalScript person;
    person.Then([](QWidget* shown) {
        auto* box = qobject_cast<QMessageBox*>(shown);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Replace “Greeting”?");
        EXPECT_EQ(box->informativeText(), "A clip of that name exists.");
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        QStringList titles;
        for (QAbstractButton* button : box->buttons())
            titles.push_back(button->text());
        titles.sort();
        EXPECT_EQ(titles, (QStringList{"Cancel", "Keep Both", "Replace"}));
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), Titled(box, "Replace"));
        EXPECT_EQ(box->escapeButton(), Titled(box, "Cancel"));
        QTest::keyClick(box, Qt::Key_Return);
    });
    DialogItemIndex itemHit = 0;
    EXPECT_EQ(RunAlert(driver.Interface(), true, true, &itemHit), noErr);
}

// Without a Cancel button there is no answer to Escape: the box stays until a button is chosen.
TEST(AlertBoxTest, WithoutCancelEscapeAnswersNothing)
{
    popuptest::OffscreenApplication();
    popup::QtUIDriver driver;
    ModalScript person;
    person.Then([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); })
        .ThenSameWindow([](QWidget* box) {
            EXPECT_TRUE(box->isVisible());
            QTest::mouseClick(Titled(box, "Keep Both"), Qt::LeftButton);
        });
    DialogItemIndex itemHit = 0;
    EXPECT_EQ(RunAlert(driver.Interface(), false, true, &itemHit), noErr);
    EXPECT_EQ(itemHit, kAlertStdAlertOtherButton);
}

}  // namespace
