#include "user/TerminalPasswordSource.h"

#include "terminal/FormKeyDecoder.h"
#include "terminal/RawTerminal.h"

#include <Security/SecBase.h>

#include <cstring>
#include <string.h>
#include <new>
#include <unistd.h>

namespace cmhost {
namespace {

constexpr char kControlD = '\x04';
constexpr char kControlU = '\x15';

bool IsContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Removes the last character (all bytes of a UTF-8 sequence).
void EraseLastCharacter(SecretBytes& secret)
{
    while (!secret.Empty() && IsContinuationByte(secret.Data()[secret.Size() - 1]))
        secret.DropLast(1);
    secret.DropLast(1);
}

}  // namespace

void TerminalPasswordSource::Say(const std::string& text)
{
    size_t written = 0;
    while (written < text.size()) {
        ssize_t count = write(mTerminalFd, text.data() + written, text.size() - written);
        if (count <= 0)
            return;
        written += static_cast<size_t>(count);
    }
}

TerminalPasswordSource::LineEnd TerminalPasswordSource::ReadSecretLine(const std::string& prompt, SecretBytes& secret,
                                                                       UInt32 capacity)
{
    secret.Wipe();
    secret.Reserve(capacity);
    platform::Result<std::unique_ptr<RawTerminal>> taken = RawTerminal::Take(mTerminalFd, mTerminalFd, false);
    if (!taken.Ok())
        return LineEnd::NoTerminal;
    RawTerminal& terminal = *taken.Value();
    // The cursor shows where the typing goes, even though the characters do not.
    terminal.Write("\x1b[?25h" + prompt);
    for (;;) {
        std::optional<std::string> bytes = terminal.ReadKeyBytes();
        if (!bytes) {
            terminal.Write("\n");
            return LineEnd::Cancelled;
        }
        bool bell = false;
        for (size_t at = 0; at < bytes->size();) {
            const char byte = (*bytes)[at];
            if (byte == kControlD && secret.Empty()) {
                explicit_bzero(bytes->data(), bytes->size());
                terminal.Write("\n");
                return LineEnd::Cancelled;
            }
            if (byte == kControlU) {
                secret.Wipe();
                ++at;
                continue;
            }
            size_t used = 0;
            FormKey key = DecodeFormKey(std::string_view(*bytes).substr(at), &used);
            at += used;
            switch (key.kind) {
            case FormKeyKind::Enter:
            case FormKeyKind::Escape:
            case FormKeyKind::Interrupt:
                explicit_bzero(bytes->data(), bytes->size());
                terminal.Write("\n");
                return key.kind == FormKeyKind::Enter ? LineEnd::Entered : LineEnd::Cancelled;
            case FormKeyKind::Backspace:
                EraseLastCharacter(secret);
                break;
            case FormKeyKind::Text:
                if (secret.Size() + key.text.size() <= capacity)
                    secret.Append(key.text.data(), key.text.size());
                else
                    bell = true;
                explicit_bzero(key.text.data(), key.text.size());
                break;
            default:
                // Arrows and other keys have no place in a password.
                bell = true;
                break;
            }
        }
        explicit_bzero(bytes->data(), bytes->size());
        if (bell)
            terminal.Write("\a");
    }
}

OSStatus TerminalPasswordSource::Answer(const PlatformPasswordRequest& request, char* buffer, UInt32 capacity,
                                        UInt32* length)
{
    const std::string keychain = request.keychainPath != nullptr ? request.keychainPath : "";
    // Nobody can be asked without a terminal; a line not entered is the user's no.
    auto unanswered = [](LineEnd end) -> OSStatus {
        return end == LineEnd::NoTerminal ? OSStatus{errSecInteractionNotAllowed} : OSStatus{userCanceledErr};
    };
    try {
        SecretBytes password;
        if (request.kind == kPlatformPasswordUnlock) {
            if (request.attempt > 1)
                Say("That password did not unlock the keychain.\n");
            const std::string prompt = "Password to unlock the keychain \"" + keychain + "\": ";
            const LineEnd end = ReadSecretLine(prompt, password, capacity);
            if (end != LineEnd::Entered)
                return unanswered(end);
        } else {
            Say("A new keychain will be made at \"" + keychain + "\".\n");
            bool agreed = false;
            for (int round = 0; round < kNewPasswordRounds && !agreed; ++round) {
                SecretBytes again;
                if (LineEnd end = ReadSecretLine("New password: ", password, capacity); end != LineEnd::Entered)
                    return unanswered(end);
                if (password.Empty()) {
                    // A keychain with no password protects nothing; an empty line costs a round,
                    // so that the asking ends.
                    Say(round + 1 < kNewPasswordRounds ? "The password must not be empty.\n"
                                                  : "The password must not be empty; no keychain is made.\n");
                    continue;
                }
                const LineEnd end = ReadSecretLine("Type the new password again: ", again, capacity);
                if (end != LineEnd::Entered)
                    return unanswered(end);
                agreed = password == again;
                if (!agreed)
                    Say(round + 1 < kNewPasswordRounds ? "The two passwords differ; please type them again.\n"
                                                  : "The two passwords differ; no keychain is made.\n");
            }
            if (!agreed)
                return userCanceledErr;
        }
        if (password.Size() > capacity)
            return errSecParam;
        std::memcpy(buffer, password.Data(), password.Size());
        *length = static_cast<UInt32>(password.Size());
        return noErr;
    } catch (const std::bad_alloc&) {
        // The locked memory a password is typed into could not be had.
        return errSecAllocate;
    }
}

}  // namespace cmhost
