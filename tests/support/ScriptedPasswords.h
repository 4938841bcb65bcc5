// The platform's password prompts answered from a list, as the keychain tests of the platform and of
// the plug-in need them: an empty list cancels, and every prompt is recorded.
#pragma once

#include <PlatformPasswords.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace testsupport {

class ScriptedPasswords {
public:
    void Add(std::string password) { mAnswers.push_back({noErr, std::move(password)}); }
    void AddStatus(OSStatus status) { mAnswers.push_back({status, {}}); }
    void Install() { PlatformSetPasswordSource(&ScriptedPasswords::Respond, this); }
    static void Remove() { PlatformSetPasswordSource(nullptr, nullptr); }

    std::vector<PlatformPasswordRequest> requests;  // keychainPath is not kept: see paths
    std::vector<std::string> paths;
    std::vector<PlatformPasswordRequestKind> asked;  // the kind of every prompt

private:
    struct Answer {
        OSStatus status;
        std::string password;
    };
    static OSStatus Respond(void* context, const PlatformPasswordRequest* request, char* buffer, UInt32 capacity,
                           UInt32* length)
    {
        auto* self = static_cast<ScriptedPasswords*>(context);
        self->requests.push_back(*request);
        self->requests.back().keychainPath = nullptr;
        self->paths.push_back(request->keychainPath);
        self->asked.push_back(request->kind);
        if (self->mAnswers.empty()) {
            return userCanceledErr;
        }
        Answer answer = self->mAnswers.front();
        self->mAnswers.pop_front();
        if (answer.status != noErr) {
            return answer.status;
        }
        if (answer.password.size() > capacity) {
            return paramErr;
        }
        std::memcpy(buffer, answer.password.data(), answer.password.size());
        *length = static_cast<UInt32>(answer.password.size());
        return noErr;
    }
    std::deque<Answer> mAnswers;
};

}  // namespace testsupport
