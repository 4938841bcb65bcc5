// The built plug-in's own "New Clip" window shown by the Qt user and used as a person would,
// judged by the clip list the plug-in stored; and a new keychain made through the password
// windows, the two passwords first typed differently, then a secure clip.
#include "dialogs/QtUser.h"

#include "popup/dialogs/ModalScript.h"
#include "popup/dialogs/StashwellInProcess.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>

namespace {

using popuptest::Click;
using Clips = std::vector<std::string>;

constexpr const char* kAddText = "Stashwell/Add Selected Text...";

QLineEdit* Name(QWidget* window)
{
    return window->findChild<QLineEdit*>("Swdg/3");
}

QLineEdit* Submenu(QWidget* window)
{
    return window->findChild<QComboBox*>()->lineEdit();
}

void Retype(QLineEdit* field, const char* text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

TEST(NewClipWindowTest, WhatThePersonDoesIsWhatIsStored)
{
    const struct {
        const char* name;
        std::function<void(QWidget*)> act;
        Clips stored;
    } cases[] = {
        {"the proposed name kept, Return", [](QWidget* w) { QTest::keyClick(Name(w), Qt::Key_Return); },
         {"/Stashwell/Dear John,"}},
        {"a name typed, Tab, a new submenu typed, Return",
         [](QWidget* w) {
             QTest::keyClicks(Name(w), "Sign-off");
             QTest::keyClick(Name(w), Qt::Key_Tab);
             ASSERT_EQ(w->focusWidget(), w->findChild<QComboBox*>()) << "Tab goes on to the field below";
             Submenu(w)->selectAll();
             QTest::keyClicks(w->focusWidget(), "/Stashwell/Mail");
             QTest::keyClick(w->focusWidget(), Qt::Key_Return);
         },
         {"/Stashwell/Mail/Sign-off"}},
        {"the OK button", [](QWidget* w) { Click(w, "OK"); }, {"/Stashwell/Dear John,"}},
        {"a name typed, then Escape",
         [](QWidget* w) {
             QTest::keyClicks(Name(w), "Never");
             QTest::keyClick(Name(w), Qt::Key_Escape);
         },
         {}},
        {"the Cancel button", [](QWidget* w) { Click(w, "Cancel"); }, {}},
        {"the window closed", [](QWidget* w) { w->close(); }, {}},
    };
    for (const auto& each : cases) {
        popup::QtUser user;
        popuptest::StashwellInProcess stashwell;
        popuptest::ModalScript person;
        person.Then([&each](QWidget* w) {
            EXPECT_EQ(Name(w)->selectedText(), "Dear John,") << "the proposed name is selected, to be typed over";
            each.act(w);
        });
        stashwell.Choose(kAddText);
        EXPECT_EQ(stashwell.Clips(), each.stored) << each.name;
        EXPECT_EQ(person.WindowsSeen(), 1) << each.name;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << each.name << ": the window closed with its loop";
    }
}

TEST(NewClipWindowTest, TheListOffersTheSubmenusInUse)
{
    popup::QtUser user;
    popuptest::StashwellInProcess stashwell;
    popuptest::ModalScript person;
    person
        .Then([](QWidget* w) {
            Retype(Submenu(w), "/Stashwell/Mail");
            QTest::keyClick(Name(w), Qt::Key_Return);
        })
        .Then([](QWidget* w) {
            auto* combo = w->findChild<QComboBox*>();
            ASSERT_EQ(combo->findText("/Stashwell/Mail"), 1);
            Retype(Name(w), "Regards");
            QTest::keyClick(combo, Qt::Key_Down);  // picks the next submenu of the list
            QTest::keyClick(combo, Qt::Key_Return);
        })
        .Then([](QWidget* w) {
            // The listed path that the typed text starts, in any case, is offered and taken.
            QCompleter* completer = w->findChild<QComboBox*>()->completer();
            ASSERT_NE(completer, nullptr);
            Retype(Name(w), "Thanks");
            Retype(Submenu(w), "/stashwell/m");
            ASSERT_TRUE(completer->popup()->isVisible());
            EXPECT_EQ(completer->completionCount(), 1);
            QTest::keyClick(completer->popup(), Qt::Key_Down);
            QTest::keyClick(completer->popup(), Qt::Key_Return);
            QTest::keyClick(Name(w), Qt::Key_Return);
        });
    stashwell.Choose(kAddText);
    stashwell.Choose(kAddText, "Kind regards");
    stashwell.Choose(kAddText, "Thank you");
    EXPECT_EQ(stashwell.Clips(),
              (Clips{"/Stashwell/Mail/Dear John,", "/Stashwell/Mail/Regards", "/Stashwell/Mail/Thanks"}));
}

TEST(NewClipWindowTest, ANewKeychainThenASecureClip)
{
    popup::QtUser user;
    popuptest::StashwellInProcess stashwell;
    popuptest::ModalScript person;
    auto type = [](QWidget* prompt, const char* password, const char* again) {
        QTest::keyClicks(prompt->findChild<QLineEdit*>("password"), password);
        QTest::keyClicks(prompt->findChild<QLineEdit*>("again"), again);
        QTest::keyClick(prompt->findChild<QLineEdit*>("again"), Qt::Key_Return);
    };
    person.Then([&](QWidget* prompt) { type(prompt, "first secret", "first secreT"); })
        .Then([&](QWidget* prompt) {
            EXPECT_EQ(prompt->findChild<QLabel*>("note")->text(), "The two passwords differ; please type them again.");
            type(prompt, "first secret", "first secret");
        })
        .Then([](QWidget* w) {
            Retype(Name(w), "Bank PIN");
            Click(w, "Store securely in the keychain");
            QTest::keyClick(Name(w), Qt::Key_Return);
        });
    stashwell.Choose("Stashwell/Create New Keychain...");
    EXPECT_TRUE(stashwell.KeychainExists());
    EXPECT_EQ(user.PasswordPrompts(), 1);
    stashwell.Choose(kAddText, "PIN 4711");
    EXPECT_EQ(stashwell.Clips(), (Clips{"/Stashwell/Bank PIN (secure)"}));
}

}  // namespace
