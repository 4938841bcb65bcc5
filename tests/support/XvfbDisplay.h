// An X11 display of the test's own: a fresh Xvfb server, started when the object is made and
// stopped when it goes away. Each test gets its own, because the clipboard, the selections and the
// focus belong to a display and tests run in parallel.
#pragma once

#include "support/TempDir.h"

#include <sys/types.h>

#include <string>

namespace testsupport {

class XvfbDisplay {
public:
    // Throws std::runtime_error, with what Xvfb said, when the server cannot start.
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // The display's name, as DISPLAY takes it: ":N".
    const std::string& Name() const { return mName; }

private:
    // Starts a server on that display; false, with what it said added to failures, when it did not
    // come up there.
    bool Start(int displayNumber, std::string& failures);

    ScopedTempDir mLogs;
    pid_t mPid = -1;
    std::string mName;
};

}  // namespace testsupport
