#include "dialogs/QtPasswordSource.h"

#include "dialogs/PasswordDialog.h"
#include "dialogs/QtText.h"

#include <Security/SecBase.h>

#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMessageBox>

#include <cstring>
#include <new>

namespace popup {
namespace {

QString KeychainName(const PlatformPasswordRequest& request)
{
    return QFileInfo(QString::fromUtf8(request.keychainPath != nullptr ? request.keychainPath : "")).fileName();
}

OSStatus Hand(const cmhost::SecretBytes& password, char* buffer, UInt32 capacity, UInt32* length)
{
    if (password.Size() > capacity)
        return errSecParam;
    std::memcpy(buffer, password.Data(), password.Size());
    *length = static_cast<UInt32>(password.Size());
    return noErr;
}

OSStatus AskUnlock(const PlatformPasswordRequest& request, cmhost::SecretBytes& password, UInt32 capacity)
{
    const QString note = request.attempt > 1 ? QObject::tr("Attempt %1: that password did not unlock the keychain.")
                                                   .arg(request.attempt)
                                             : QString();
    PasswordDialog dialog(QObject::tr("Unlock Keychain"),
                          QObject::tr("Enter the password of the keychain “%1”.").arg(KeychainName(request)), note, false);
    return dialog.Ask(password, nullptr, capacity) ? noErr : userCanceledErr;
}

OSStatus AskNew(const PlatformPasswordRequest& request, cmhost::SecretBytes& password, UInt32 capacity)
{
    const QFontMetrics metrics(QApplication::font());
    const QString prompt =
        QObject::tr("A new keychain will be made at “%1”. Choose its password.")
            .arg(WrappablePath(QString::fromUtf8(request.keychainPath != nullptr ? request.keychainPath : ""), metrics,
                               metrics.averageCharWidth() * (kPasswordPromptWidth - 4)));
    QString note;
    bool lastEmpty = false;
    for (int round = 0; round < cmhost::kNewPasswordRounds; ++round) {
        cmhost::SecretBytes again;
        PasswordDialog dialog(QObject::tr("New Keychain"), prompt, note, true);
        if (!dialog.Ask(password, &again, capacity))
            return userCanceledErr;
        // A keychain with no password protects nothing; an empty password costs a round, so that
        // the asking ends.
        lastEmpty = password.Empty();
        if (!lastEmpty && password == again)
            return noErr;
        note = lastEmpty ? QObject::tr("The password must not be empty.")
                         : QObject::tr("The two passwords differ; please type them again.");
    }
    password.Wipe();
    QMessageBox refusal(QMessageBox::Warning, QObject::tr("New Keychain"),
                        lastEmpty ? QObject::tr("The password must not be empty; no keychain is made.")
                                  : QObject::tr("The two passwords differ; no keychain is made."),
                        QMessageBox::Ok);
    refusal.setWindowModality(Qt::ApplicationModal);
    refusal.exec();
    return userCanceledErr;
}

}  // namespace

OSStatus QtPasswordSource::Answer(const PlatformPasswordRequest& request, char* buffer, UInt32 capacity,
                                  UInt32* length)
{
    try {
        cmhost::SecretBytes password;
        const OSStatus status = request.kind == kPlatformPasswordUnlock ? AskUnlock(request, password, capacity)
                                                                        : AskNew(request, password, capacity);
        return status == noErr ? Hand(password, buffer, capacity, length) : status;
    } catch (const std::bad_alloc&) {
        // No secret memory for the password: nobody can be asked safely.
        return errSecInteractionNotAllowed;
    }
}

}  // namespace popup
