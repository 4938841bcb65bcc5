// A session bus of the test's own: a private dbus-daemon, started when the object is made and
// stopped when it goes away, with DBUS_SESSION_BUS_ADDRESS naming it meanwhile, so that what the
// test runs on it (a mock desktop portal, a mock notification service) is all the code under test can
// reach: no service installed on the machine is started on it.
#pragma once

#include "support/ChildProcess.h"
#include "support/ScopedVariable.h"

#include <memory>
#include <string>

namespace testsupport {

class PrivateSessionBus {
public:
    // Throws std::runtime_error, with what dbus-daemon said, when the bus cannot start.
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    const std::string& Address() const { return mAddress; }

private:
    ScopedTempDir mFolder;
    std::unique_ptr<ChildProcess> mDaemon;
    std::string mAddress;
    std::unique_ptr<ScopedVariable> mVariable;
};

// The first line child prints, once it has printed it (a helper saying it is ready). Throws
// std::runtime_error, with what the child said on its error output, when it ends first or prints
// nothing for far longer than any machine needs to start it.
std::string AwaitFirstLine(ChildProcess& child, const std::string& name);

}  // namespace testsupport
