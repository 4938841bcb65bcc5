#include "dialogs/PasswordDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <string.h>

namespace popup {
namespace {

QLineEdit* NewPasswordField(QWidget* parent, const QString& name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    // No drag, copy or completion may carry the password out of the field.
    field->setDragEnabled(false);
    field->setContextMenuPolicy(Qt::NoContextMenu);
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 32);
    return field;
}

bool IsContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

void TakeFieldText(QLineEdit* field, cmhost::SecretBytes& secret, size_t capacity)
{
    secret.Wipe();
    QString typed = field->text();
    // The field lets go of its text and of its undo history (setText drops both, where clear()
    // would keep the text to undo), so that `typed` holds the only copy and wiping it below wipes
    // that copy rather than a detached one. What Qt's own buffers held while the person typed is
    // out of reach.
    field->setText(QString());
    QByteArray utf8 = typed.toUtf8();
    size_t kept = std::min(static_cast<size_t>(utf8.size()), capacity);
    while (kept > 0 && kept < static_cast<size_t>(utf8.size()) && IsContinuationByte(utf8[static_cast<qsizetype>(kept)]))
        --kept;
    secret.Append(utf8.constData(), kept);
    explicit_bzero(utf8.data(), static_cast<size_t>(utf8.size()));
    explicit_bzero(typed.data(), static_cast<size_t>(typed.size()) * sizeof(QChar));
}

PasswordDialog::PasswordDialog(const QString& title, const QString& prompt, const QString& note, bool confirm)
{
    setWindowTitle(title);
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    auto* promptLabel = new QLabel(prompt, this);
    promptLabel->setTextFormat(Qt::PlainText);
    promptLabel->setWordWrap(true);
    // Wide enough that a keychain's path breaks over two lines, not four.
    promptLabel->setMinimumWidth(promptLabel->fontMetrics().averageCharWidth() * kPasswordPromptWidth);
    layout->addWidget(promptLabel);
    if (!note.isEmpty()) {
        auto* noteLabel = new QLabel(note, this);
        noteLabel->setObjectName("note");
        noteLabel->setTextFormat(Qt::PlainText);
        noteLabel->setWordWrap(true);
        QFont bold = noteLabel->font();
        bold.setBold(true);
        noteLabel->setFont(bold);
        layout->addWidget(noteLabel);
    }
    auto* fields = new QFormLayout;
    mPassword = NewPasswordField(this, "password");
    fields->addRow(confirm ? tr("New password:") : tr("Password:"), mPassword);
    if (confirm) {
        mAgain = NewPasswordField(this, "again");
        fields->addRow(tr("Again:"), mAgain);
    }
    layout->addLayout(fields);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    mPassword->setFocus(Qt::OtherFocusReason);
}

bool PasswordDialog::Ask(cmhost::SecretBytes& password, cmhost::SecretBytes* again, size_t capacity)
{
    raise();
    activateWindow();
    const bool entered = exec() == QDialog::Accepted;
    TakeFieldText(mPassword, password, capacity);
    if (mAgain != nullptr) {
        cmhost::SecretBytes ignored;
        TakeFieldText(mAgain, again != nullptr ? *again : ignored, capacity);
    }
    if (!entered) {
        password.Wipe();
        if (again != nullptr)
            again->Wipe();
    }
    return entered;
}

}  // namespace popup
