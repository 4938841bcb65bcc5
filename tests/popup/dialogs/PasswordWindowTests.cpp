// The keychain's password prompts as windows, answering as the terminal does: a new password typed
// twice and asked again when the two differ or it is empty, an unlock that says its attempt, Cancel;
// and the typed text taken out of the fields.
#include "dialogs/PasswordDialog.h"
#include "dialogs/QtPasswordSource.h"

#include "popup/dialogs/ModalScript.h"

#include <Security/SecBase.h>

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextLayout>

namespace {

constexpr const char* kDiffer = "The two passwords differ; please type them again.";

TEST(PasswordWindowTest, PromptsAnswerAsTheTerminalDoes)
{
    const struct {
        const char* name;
        PlatformPasswordRequestKind kind;
        UInt32 attempt;
        std::vector<std::pair<const char*, const char*>> typed;  // each prompt's fields; nullptr: Escape
        OSStatus status;
        std::string password;  // handed to the keychain
        std::vector<std::string> notes;  // what each prompt said besides its question
    } cases[] = {
        {"typed the same twice", kPlatformPasswordCreate, 1, {{"s3cret", "s3cret"}}, noErr, "s3cret", {""}},
        {"typed differently, then the same", kPlatformPasswordCreate, 1, {{"s3cret", "s3creT"}, {"s3cret", "s3cret"}},
         noErr, "s3cret", {"", kDiffer}},
        {"empty, then typed the same", kPlatformPasswordCreate, 1, {{"", ""}, {"pässwörd", "pässwörd"}}, noErr,
         "pässwörd", {"", "The password must not be empty."}},
        {"typed differently every time", kPlatformPasswordCreate, 1, {{"a", "b"}, {"c", "d"}, {"e", "f"}},
         userCanceledErr, "", {"", kDiffer, kDiffer}},
        {"a new password cancelled", kPlatformPasswordCreate, 1, {{"half", nullptr}}, userCanceledErr, "", {""}},
        {"the first unlock", kPlatformPasswordUnlock, 1, {{"s3cret", ""}}, noErr, "s3cret", {""}},
        {"the third unlock", kPlatformPasswordUnlock, 3, {{"s3cret", ""}}, noErr, "s3cret",
         {"Attempt 3: that password did not unlock the keychain."}},
        {"an unlock cancelled", kPlatformPasswordUnlock, 2, {{"s3cret", nullptr}}, userCanceledErr, "",
         {"Attempt 2: that password did not unlock the keychain."}},
    };
    for (const auto& each : cases) {
        popuptest::ModalScript person;
        std::vector<std::string> notes;
        for (const auto& [password, again] : each.typed) {
            person.Then([&notes, password, again](QWidget* prompt) {
                auto* note = prompt->findChild<QLabel*>("note");
                notes.push_back(note != nullptr ? note->text().toStdString() : "");
                EXPECT_TRUE(popuptest::InDesktopOrder(prompt, "OK", "Cancel"));
                auto* first = prompt->findChild<QLineEdit*>("password");
                ASSERT_EQ(first->echoMode(), QLineEdit::Password);
                popuptest::TypeText(first, QString::fromUtf8(password));
                if (auto* second = prompt->findChild<QLineEdit*>("again"))
                    popuptest::TypeText(second, QString::fromUtf8(again != nullptr ? again : ""));
                QTest::keyClick(first, again != nullptr ? Qt::Key_Return : Qt::Key_Escape);
            });
        }
        if (each.typed.size() == 3)  // and then it says that no keychain is made
            person.Then([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
        const PlatformPasswordRequest request{each.kind, "/home/ann/.local/share/Stashwell/Stashwell.keychain", each.attempt};
        char buffer[kPlatformPasswordCapacity] = {};
        UInt32 length = 0;
        EXPECT_EQ(popup::QtPasswordSource().Answer(request, buffer, sizeof buffer, &length), each.status) << each.name;
        EXPECT_EQ(std::string(buffer, length), each.password) << each.name;
        EXPECT_EQ(notes, each.notes) << each.name;
    }
}

// The keychain's path in the prompt: its lines end only after a '/', and a name too long for a line
// is shortened in its middle rather than broken.
TEST(PasswordWindowTest, APathBreaksOnlyAfterASlash)
{
    const std::string path = "/home/ann-marie/My Documents/" + std::string(4, 'x') + "-a-name-that-goes-on-and-on" +
                             std::string(60, 'x') + "/Stash well.keychain";
    popuptest::ModalScript person;
    person.Then([](QWidget* prompt) {
        auto* label = prompt->findChildren<QLabel*>().front();
        const QString text = label->text();
        QTextLayout layout(text, label->font());
        layout.setTextOption(QTextOption(Qt::AlignLeft));
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(label->contentsRect().width());
            const qsizetype start = line.textStart();
            if (start > text.indexOf(u'“') && start < text.indexOf(u'”')) {
                EXPECT_EQ(text[start - 1], QChar(0x200B)) << "after a '/': " << text.mid(start).toStdString();
            }
        }
        layout.endLayout();
        const QString shown = QString(text).remove(QChar(0x2060)).remove(QChar(0x200B));
        EXPECT_TRUE(shown.contains(QRegularExpression("/xxxx-a-name\\S*…x+/Stash well\\.keychain”"))) << shown.toStdString();
        QTest::keyClick(prompt, Qt::Key_Escape);
    });
    const PlatformPasswordRequest request{kPlatformPasswordCreate, path.c_str(), 1};
    char buffer[kPlatformPasswordCapacity] = {};
    UInt32 length = 0;
    popup::QtPasswordSource().Answer(request, buffer, sizeof buffer, &length);
}

TEST(PasswordWindowTest, TypedTextLeavesTheFieldForSecretMemory)
{
    popuptest::ModalScript person;  // for the application
    const std::pair<const char*, size_t> cases[] = {{"pässwörd", 64}, {"aé", 2}};  // é would not fit whole
    const char* kept[] = {"pässwörd", "a"};
    for (size_t i = 0; i < 2; ++i) {
        QLineEdit field;
        popuptest::TypeText(&field, QString::fromUtf8(cases[i].first));
        cmhost::SecretBytes secret;
        popup::TakeFieldText(&field, secret, cases[i].second);
        EXPECT_EQ(std::string(secret.Data(), secret.Size()), kept[i]);
        field.undo();
        EXPECT_EQ(field.text(), "") << "nothing left in the field, nor to undo back";
    }
}

}  // namespace
