// Who answers the keychain's password prompts for the host: a file (--password-file) or the user
// at the terminal. One is installed as the process's password source (PlatformPasswords.h) while
// the plug-ins run, and counts the prompts it answered for the report.
#pragma once

#include <PlatformPasswords.h>

namespace cmhost {

// A new keychain's password that was typed differently twice (or left empty) this often is given up
// on, by every source that asks a person.
inline constexpr int kNewPasswordRounds = 3;

class PasswordAnswerer {
public:
    virtual ~PasswordAnswerer() = default;
    // As PlatformPasswordSource: noErr with the password in buffer and its length in *length, or
    // userCanceledErr, or errSecInteractionNotAllowed.
    virtual OSStatus Answer(const PlatformPasswordRequest& request, char* buffer, UInt32 capacity,
                            UInt32* length) = 0;
};

// Installs answerer (borrowed; it must outlive this object) as the process's password source and
// removes it again when it goes away.
class ScopedPasswordSource {
public:
    explicit ScopedPasswordSource(PasswordAnswerer& answerer);
    ~ScopedPasswordSource();
    ScopedPasswordSource(const ScopedPasswordSource&) = delete;
    ScopedPasswordSource& operator=(const ScopedPasswordSource&) = delete;

    // The prompts answered with a password so far.
    int Answered() const { return mAnswered; }

private:
    static OSStatus Ask(void* context, const PlatformPasswordRequest* request, char* buffer, UInt32 capacity,
                        UInt32* length);

    PasswordAnswerer& mAnswerer;
    int mAnswered = 0;
};

}  // namespace cmhost
