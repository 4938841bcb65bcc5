// The moment as it is written into the names of files and keys kept aside ("20261207T114310Z"):
// UTC, so that names sort by time whatever the user's zone.
#pragma once

#include <ctime>
#include <string>

namespace platform {

inline std::string UTCStamp()
{
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return stamp;
}

}  // namespace platform
