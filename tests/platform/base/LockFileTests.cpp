// The lock file while another process holds it: a bounded wait gives up and names the holder, and
// takes the lock once the holder has let go.
#include "support/LockHolder.h"
#include "support/TempDir.h"

#include "base/LockFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace {

using namespace std::chrono_literals;

class LockFileTest : public testing::Test {
protected:
    testsupport::ScopedTempDir mFolder;
};

TEST_F(LockFileTest, ABoundedWaitGivesUpWhileAnotherProcessHoldsTheLockAndSaysWhoItIs)
{
    const std::string path = mFolder.Child("lock");
    testsupport::LockHolder holder(path);
    platform::LockFile lock;
    for (auto mode : {platform::LockFile::Mode::Exclusive, platform::LockFile::Mode::Shared}) {
        EXPECT_EQ(lock.Lock(AT_FDCWD, path, mode, 50ms), EWOULDBLOCK);
        EXPECT_FALSE(lock.Held());
    }
    // The kernel keeps the name of the test program, cut to 15 bytes.
    EXPECT_EQ(platform::DescribeLockHolder(AT_FDCWD, path),
              std::string(program_invocation_short_name).substr(0, 15) + " (process " + std::to_string(holder.Pid()) +
                  ")");
    EXPECT_EQ(platform::DescribeLockHolder(AT_FDCWD, mFolder.Child("not-locked")), "a process that cannot be told");

    holder.Release();
    EXPECT_EQ(lock.Lock(AT_FDCWD, path, platform::LockFile::Mode::Exclusive, 30s), 0);
    EXPECT_TRUE(lock.Held());
}

}  // namespace
