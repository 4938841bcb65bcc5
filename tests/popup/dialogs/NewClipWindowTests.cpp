// The built plug-in's own "New Clip" window, shown by the Qt UI driver and used as a person would:
// a name typed, a submenu typed or picked from the list, the Secure box ticked, Return for OK,
// Escape, Cancel or the close box; judged by the clip list the plug-in stored. And a new keychain
// made through the password windows, the two passwords first typed differently.
#include "dialogs/QtUser.h"

#include "popup/dialogs/ModalScript.h"
#include "popup/dialogs/StashwellInProcess.h"
#include "popup/support/OffscreenApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using popuptest::ModalScript;
using popuptest::StoredClip;

constexpr const char* kAddSelectedText = "Stashwell/Add Selected Text...";

class NewClipWindowTest : public testing::Test {
protected:
    void SetUp() override { popuptest::OffscreenApplication(); }

    // Made before the plug-in loads (each test loads it) and gone after it, as in the popup.
    popup::QtUser mUser;
};

QLineEdit* NameField(QWidget* window)
{
    return window->findChild<QLineEdit*>("Swdg/3");
}

QLineEdit* SubmenuField(QWidget* window)
{
    auto* combo = window->findChild<QComboBox*>();
    return combo != nullptr ? combo->lineEdit() : nullptr;
}

void Retype(QLineEdit* field, const char* text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

QAbstractButton* Titled(QWidget* window, const char* title)
{
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->text() == QString::fromUtf8(title))
            return button;
    ADD_FAILURE() << "no button " << title;
    return nullptr;
}

struct NewClipCase {
    const char* name;
    std::function<void(QWidget* window)> act;
    std::vector<StoredClip> stored;
};

TEST_F(NewClipWindowTest, WhatThePersonDoesIsWhatIsStored)
{
    const NewClipCase cases[] = {
        {"the proposed name kept, Return",
         [](QWidget* window) { QTest::keyClick(NameField(window), Qt::Key_Return); },
         {{"Dear John,", "/Stashwell", false}}},
        {"a name and a new submenu typed, Return",
         [](QWidget* window) {
             QTest::keyClicks(NameField(window), "Sign-off");
             Retype(SubmenuField(window), "/Stashwell/Mail");
             QTest::keyClick(SubmenuField(window), Qt::Key_Return);
         },
         {{"Sign-off", "/Stashwell/Mail", false}}},
        {"a name typed, the OK button clicked",
         [](QWidget* window) {
             QTest::keyClicks(NameField(window), "Greeting");
             QTest::mouseClick(Titled(window, "OK"), Qt::LeftButton);
         },
         {{"Greeting", "/Stashwell", false}}},
        {"a name typed, then Escape",
         [](QWidget* window) {
             QTest::keyClicks(NameField(window), "Never");
             QTest::keyClick(NameField(window), Qt::Key_Escape);
         },
         {}},
        {"the Cancel button", [](QWidget* window) { QTest::mouseClick(Titled(window, "Cancel"), Qt::LeftButton); }, {}},
        {"the window closed", [](QWidget* window) { window->close(); }, {}},
    };
    for (const NewClipCase& each : cases) {
        popuptest::StashwellInProcess stashwell;
        ModalScript person;
        person.Then(each.act);
        EXPECT_EQ(stashwell.Choose(kAddSelectedText), noErr) << each.name;
        EXPECT_EQ(stashwell.Clips(), each.stored) << each.name;
        EXPECT_EQ(person.WindowsSeen(), 1) << each.name;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << each.name << ": the window closed with its loop";
    }
}

TEST_F(NewClipWindowTest, TheListOffersTheSubmenusInUse)
{
    popuptest::StashwellInProcess stashwell;
    {
        ModalScript person;
        person.Then([](QWidget* window) {
            Retype(NameField(window), "Sign-off");
            Retype(SubmenuField(window), "/Stashwell/Mail");
            QTest::keyClick(NameField(window), Qt::Key_Return);
        });
        EXPECT_EQ(stashwell.Choose(kAddSelectedText), noErr);
    }
    ModalScript person;
    person.Then([](QWidget* window) {
        auto* combo = window->findChild<QComboBox*>();
        ASSERT_NE(combo, nullptr);
        QStringList listed;
        for (int i = 0; i < combo->count(); ++i)
            listed.push_back(combo->itemText(i));
        EXPECT_TRUE(listed.contains("/Stashwell/Mail")) << listed.join(", ").toStdString();
        EXPECT_EQ(combo->currentText(), listed.value(0));
        Retype(NameField(window), "Regards");
        combo->setFocus();
        while (combo->currentText() != "/Stashwell/Mail" && combo->currentIndex() + 1 < combo->count())
            QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Return);
    });
    EXPECT_EQ(stashwell.Choose(kAddSelectedText, "Kind regards"), noErr);
    EXPECT_EQ(stashwell.Clips(), (std::vector<StoredClip>{{"Sign-off", "/Stashwell/Mail", false},
                                                          {"Regards", "/Stashwell/Mail", false}}));
}

// A new keychain: the two passwords typed differently are asked again, saying so; then a secure
// clip stored through the Secure box.
TEST_F(NewClipWindowTest, ANewKeychainThenASecureClip)
{
    popuptest::StashwellInProcess stashwell;
    ModalScript person;
    person
        .Then([](QWidget* prompt) {
            QTest::keyClicks(prompt->findChild<QLineEdit*>("password"), "first secret");
            QTest::keyClicks(prompt->findChild<QLineEdit*>("again"), "first secreT");
            QTest::keyClick(prompt->findChild<QLineEdit*>("again"), Qt::Key_Return);
        })
        .Then([](QWidget* prompt) {
            auto* note = prompt->findChild<QLabel*>("note");
            ASSERT_NE(note, nullptr);
            EXPECT_TRUE(note->text().contains("differ")) << note->text().toStdString();
            QTest::keyClicks(prompt->findChild<QLineEdit*>("password"), "first secret");
            QTest::keyClicks(prompt->findChild<QLineEdit*>("again"), "first secret");
            QTest::keyClick(prompt->findChild<QLineEdit*>("again"), Qt::Key_Return);
        });
    EXPECT_EQ(stashwell.Choose("Stashwell/Create New Keychain..."), noErr);
    EXPECT_TRUE(stashwell.KeychainExists());
    EXPECT_EQ(mUser.PasswordPrompts(), 1);

    person.Then([](QWidget* window) {
        Retype(NameField(window), "Bank PIN");
        popuptest::ClickBox(Titled(window, "Store securely in the keychain"));
        QTest::keyClick(NameField(window), Qt::Key_Return);
    });
    EXPECT_EQ(stashwell.Choose(kAddSelectedText, "PIN 4711"), noErr);
    EXPECT_EQ(stashwell.Clips(), (std::vector<StoredClip>{{"Bank PIN", "/Stashwell", true}}));
}

}  // namespace
