// The keychain's password prompts as windows: a new keychain's password typed twice and asked
// again when the two differ or it is empty, as often as the terminal asks; an unlock that says
// which attempt it is; Cancel; and the typed text taken out of the fields into secret memory.
#include "dialogs/PasswordDialog.h"
#include "dialogs/QtPasswordSource.h"

#include "popup/dialogs/ModalScript.h"
#include "popup/support/OffscreenApplication.h"

#include <Security/SecBase.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using popuptest::ModalScript;

// What the person types into one prompt: the password, the second field (for a new keychain), and
// whether they cancel instead of pressing Return.
struct Typed {
    const char* password;
    const char* again;
    bool cancel = false;
};

struct PromptCase {
    const char* name;
    PlatformPasswordRequestKind kind;
    UInt32 attempt;
    std::vector<Typed> typed;
    OSStatus status;
    std::string password;                // handed to the keychain
    std::vector<std::string> notes;      // what each prompt said besides its question, "" for nothing
    bool refusalShown = false;           // a message that no keychain is made
};

TEST(PasswordWindowTest, PromptsAnswerAsTheTerminalDoes)
{
    popuptest::OffscreenApplication();
    const PromptCase cases[] = {
        {"a new password typed the same twice", kPlatformPasswordCreate, 1, {{"s3cret", "s3cret"}}, noErr, "s3cret", {""}},
        {"typed differently, then the same",
         kPlatformPasswordCreate, 1, {{"s3cret", "s3creT"}, {"s3cret", "s3cret"}}, noErr, "s3cret",
         {"", "The two passwords differ; please type them again."}},
        {"empty, then typed the same", kPlatformPasswordCreate, 1, {{"", ""}, {"pässwörd", "pässwörd"}}, noErr,
         "pässwörd", {"", "The password must not be empty."}},
        {"typed differently every time",
         kPlatformPasswordCreate, 1, {{"a", "b"}, {"c", "d"}, {"e", "f"}}, userCanceledErr, "",
         {"", "The two passwords differ; please type them again.", "The two passwords differ; please type them again."},
         true},
        {"a new password cancelled", kPlatformPasswordCreate, 1, {{"half", "", true}}, userCanceledErr, "", {""}},
        {"the first unlock", kPlatformPasswordUnlock, 1, {{"s3cret", nullptr}}, noErr, "s3cret", {""}},
        {"the third unlock", kPlatformPasswordUnlock, 3, {{"s3cret", nullptr}}, noErr, "s3cret",
         {"Attempt 3: that password did not unlock the keychain."}},
        {"an unlock cancelled", kPlatformPasswordUnlock, 2, {{"s3cret", nullptr, true}}, userCanceledErr, "",
         {"Attempt 2: that password did not unlock the keychain."}},
    };
    for (const PromptCase& each : cases) {
        ModalScript person;
        std::vector<std::string> notes;
        bool refusalShown = false;
        for (const Typed& typed : each.typed) {
            person.Then([&notes, typed, &each](QWidget* prompt) {
                auto* note = prompt->findChild<QLabel*>("note");
                notes.push_back(note != nullptr ? note->text().toStdString() : "");
                auto* password = prompt->findChild<QLineEdit*>("password");
                auto* again = prompt->findChild<QLineEdit*>("again");
                ASSERT_NE(password, nullptr) << each.name;
                EXPECT_EQ(password->echoMode(), QLineEdit::Password);
                EXPECT_EQ(again != nullptr, each.kind == kPlatformPasswordCreate) << each.name;
                popuptest::TypeText(password, QString::fromUtf8(typed.password));
                if (again != nullptr)
                    popuptest::TypeText(again, QString::fromUtf8(typed.again));
                QTest::keyClick(password, typed.cancel ? Qt::Key_Escape : Qt::Key_Return);
            });
        }
        if (each.refusalShown) {
            person.Then([&refusalShown](QWidget* box) {
                auto* message = qobject_cast<QMessageBox*>(box);
                refusalShown = message != nullptr && message->text().contains("no keychain is made");
                QTest::keyClick(box, Qt::Key_Return);
            });
        }
        popup::QtPasswordSource source;
        const PlatformPasswordRequest request{each.kind, "/home/ann/.local/share/Stashwell/Stashwell.keychain",
                                              each.attempt};
        char buffer[kPlatformPasswordCapacity] = {};
        UInt32 length = 0;
        EXPECT_EQ(source.Answer(request, buffer, sizeof buffer, &length), each.status) << each.name;
        EXPECT_EQ(std::string(buffer, length), each.password) << each.name;
        EXPECT_EQ(notes, each.notes) << each.name;
        EXPECT_EQ(refusalShown, each.refusalShown) << each.name;
    }
}

// The field is empty afterwards and the secret holds the text as UTF-8, cut at a character's end
// when it does not fit.
TEST(PasswordWindowTest, TypedTextMovesIntoSecretMemory)
{
    popuptest::OffscreenApplication();
    const struct {
        const char* typed;
        size_t capacity;
        const char* kept;
    } cases[] = {
        {"s3cret", 1024, "s3cret"},
        {"pässwörd", 1024, "pässwörd"},
        {"ab", 2, "ab"},
        {"aé", 2, "a"},  // é is two bytes: half of it is never kept
        {"", 16, ""},
    };
    for (const auto& each : cases) {
        QLineEdit field;
        field.setEchoMode(QLineEdit::Password);
        popuptest::TypeText(&field, QString::fromUtf8(each.typed));
        cmhost::SecretBytes secret;
        secret.Append("old", 3);
        popup::TakeFieldText(&field, secret, each.capacity);
        EXPECT_EQ(std::string(secret.Data(), secret.Size()), each.kept) << each.typed;
        EXPECT_EQ(field.text(), "") << each.typed;
        field.undo();
        EXPECT_EQ(field.text(), "") << each.typed << ": nothing to undo back";
    }
}

}  // namespace
