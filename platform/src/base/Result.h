// A value, or why it could not be made: the one way the platform's, the host's and the popup's own
// functions report a failure to each other. A failure carries the status the old platform's
// interface will answer, the system's error number behind it (0 when there is none) and the line
// the user is told. It becomes a bare OSStatus once, where an interface call returns.
#pragma once

#include <MacTypes.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

struct Failure {
    explicit Failure(OSStatus status, int error = 0, std::string reason = {})
        : status(status), error(error), reason(std::move(reason))
    {
    }

    OSStatus status;
    int error;  // the errno value behind the failure, 0 when none
    std::string reason;
};

// A failure from a system call: the status from the errno table and "what: <the system's text>".
Failure ErrnoFailure(std::string_view what, int error);

namespace detail {

// The part every Result shares: the failure, if there was one. A failure that names no status
// still fails: it answers the errno table's status when it has an errno, ioErr otherwise.
class ResultFailure {
public:
    ResultFailure() = default;
    ResultFailure(Failure failure);

    OSStatus Status() const { return mFailure ? mFailure->status : noErr; }
    int Errno() const { return mFailure ? mFailure->error : 0; }
    const std::string& Reason() const;
    // The failure as it was made, to hand on to a caller of another type; a failure to hand on
    // only when there is one.
    const Failure& Error() const { return *mFailure; }

protected:
    std::optional<Failure> mFailure;
};

}  // namespace detail

template <class T>
class Result : public detail::ResultFailure {
public:
    Result(T value) : mValue(std::move(value)) {}
    Result(Failure failure) : ResultFailure(std::move(failure)) {}

    bool Ok() const { return mValue.has_value(); }
    T& Value() { return *mValue; }
    const T& Value() const { return *mValue; }
    T* operator->() { return &*mValue; }
    const T* operator->() const { return &*mValue; }

private:
    std::optional<T> mValue;
};

// An operation that makes no value: success, or its failure.
template <>
class Result<void> : public detail::ResultFailure {
public:
    Result() = default;
    Result(Failure failure) : ResultFailure(std::move(failure)) {}

    bool Ok() const { return !mFailure.has_value(); }
};

}  // namespace platform
