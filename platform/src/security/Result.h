// A value or the status that kept it from being made, for the keychain code's internal functions.
#pragma once

#include <MacTypes.h>

#include <optional>
#include <utility>

namespace platform::security {

struct Failure {
    OSStatus status;
};

template <class T>
class Result {
public:
    Result(T value) : mValue(std::move(value)) {}
    Result(Failure failure) : mStatus(failure.status == noErr ? -1 : failure.status) {}

    bool Ok() const { return mValue.has_value(); }
    OSStatus Status() const { return mStatus; }
    T& Value() { return *mValue; }
    const T& Value() const { return *mValue; }
    T* operator->() { return &*mValue; }
    const T* operator->() const { return &*mValue; }

private:
    std::optional<T> mValue;
    OSStatus mStatus = noErr;
};

}  // namespace platform::security
