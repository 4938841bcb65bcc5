#include "base/Result.h"

#include "base/ErrnoStatus.h"

namespace platform {

Failure ErrnoFailure(std::string_view what, int error)
{
    return Failure{StatusForErrno(error), error, ErrnoReason(what, error)};
}

namespace detail {

ResultFailure::ResultFailure(Failure failure) : mFailure(std::move(failure))
{
    if (mFailure->status == noErr) {
        mFailure->status = mFailure->error != 0 ? StatusForErrno(mFailure->error) : ioErr;
    }
}

const std::string& ResultFailure::Reason() const
{
    static const std::string kNone;
    return mFailure ? mFailure->reason : kNone;
}

}  // namespace detail
}  // namespace platform
