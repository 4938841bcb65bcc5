// Standard alerts as message boxes: texts, icon, buttons, and the number of the button the person
// chose by click, Return or Escape.
#include "dialogs/QtUIDriver.h"

#include "popup/dialogs/ModalScript.h"

#include <QMessageBox>

namespace {

using popuptest::Click;

TEST(AlertBoxTest, ThePersonsButtonIsTheAnswer)
{
    const struct {
        const char* name;
        bool withCancel;
        std::function<void(QWidget*)> act;
        DialogItemIndex answer;
    } cases[] = {
        {"Return presses the default button", true, [](QWidget* b) { QTest::keyClick(b, Qt::Key_Return); },
         kAlertStdAlertOKButton},
        {"Escape presses Cancel", true, [](QWidget* b) { QTest::keyClick(b, Qt::Key_Escape); },
         kAlertStdAlertCancelButton},
        {"a click on Cancel", true, [](QWidget* b) { Click(b, "Cancel"); }, kAlertStdAlertCancelButton},
        {"a click on the third button", true, [](QWidget* b) { Click(b, "Keep Both"); }, kAlertStdAlertOtherButton},
        {"without Cancel, Escape answers nothing", false,
         [](QWidget* b) {
             QTest::keyClick(b, Qt::Key_Escape);
             EXPECT_TRUE(b->isVisible());
             Click(b, "Replace");
         },
         kAlertStdAlertOKButton},
    };
    for (const auto& each : cases) {
        popup::QtUIDriver driver;
        popuptest::ModalScript person;
        person.Then([&each](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), "Replace “Greeting”?");
            EXPECT_EQ(box->informativeText(), "A clip of that name exists.");
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            EXPECT_EQ(box->windowTitle(), "Stashwell");
            if (each.withCancel) {
                EXPECT_TRUE(popuptest::InDesktopOrder(box, "Replace", "Cancel"));
            }
            EXPECT_EQ(box->buttons().size(), each.withCancel ? 3 : 2);
            each.act(box);
        });
        AlertStdCFStringAlertParamRec params;
        GetStandardAlertDefaultParams(&params, kStdCFStringAlertVersionOne);
        params.defaultText = CFSTR("Replace");
        params.otherText = CFSTR("Keep Both");
        if (each.withCancel) {
            params.cancelText = kAlertDefaultCancelText;
            params.cancelButton = kAlertStdAlertCancelButton;
        }
        DialogRef alert = nullptr;
        ASSERT_EQ(CreateStandardAlert(kAlertCautionAlert, CFSTR("Replace “Greeting”?"),
                                      CFSTR("A clip of that name exists."), &params, &alert),
                  noErr);
        const PlatformUIDriver installed = driver.Interface();
        PlatformInstallUIDriver(&installed);
        DialogItemIndex itemHit = 0;
        EXPECT_EQ(RunStandardAlert(alert, nullptr, &itemHit), noErr) << each.name;
        PlatformInstallUIDriver(nullptr);
        EXPECT_EQ(itemHit, each.answer) << each.name;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << each.name << ": the box is gone";
    }
}

}  // namespace
