// The shared file base as its users meet it: something other than a regular file put in place of a
// file the platform reads never blocks the reader; the statuses users see for system errors; a write past the file-size
// limit; a lock that another process holds.
#include "support/LockHolder.h"
#include "support/TempDir.h"

#include "base/ErrnoStatus.h"
#include "base/LockFile.h"
#include "base/RegularFile.h"
#include "base/Result.h"

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>
#include <Security/Security.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <utility>

namespace {

// Runs body in a forked child and waits for it a bounded number of times; a child still running
// then (blocked on an open) is killed and counts as a hang. The body's answer, or -1 for a hang.
int RunWithoutHanging(const std::function<int()>& body)
{
    pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    if (child < 0) {
        return -2;
    }
    int status = 0;
    for (int poll = 0; poll < 6000; ++poll) {
        pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
        }
        ::usleep(10000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return -1;
}

void PutFifo(const std::string& path)
{
    ::unlink(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
}

class FileBase : public testing::Test {
protected:
    testsupport::ScopedStorageEnvironment mStorage;
};

TEST_F(FileBase, AFifoInPlaceOfAnyFileThePlatformReadsIsRefusedWithoutBlocking)
{
    // A fresh clipboard generation with one flavor, one of whose files is then replaced.
    auto PutFifoOnClipboard = [&](const char* name) {
        ScrapRef scrap = nullptr;
        ASSERT_EQ(ClearCurrentScrap(), noErr);
        ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
        ASSERT_EQ(PutScrapFlavor(scrap, 'TEXT', kScrapFlavorMaskNone, 3, "abc"), noErr);
        const std::string generation = mStorage.RuntimeDir() + "/clipboard/current/";
        PutFifo(generation + name);
        // A new manifest, so that the view this process holds is read again.
        const std::string manifest = testsupport::ReadFile(generation + "manifest");
        if (!manifest.empty()) {
            ASSERT_TRUE(testsupport::WriteFile(generation + "manifest", manifest));
        }
    };
    const std::string keychain = mStorage.DataHome() + "/fifo.keychain";
    const std::string bundle = mStorage.root() + "/Fifo.plugin";
    const std::string fork = mStorage.root() + "/clip";
    struct Case {
        const char* what;
        std::function<void()> plant;
        std::function<bool()> refused;  // runs in the child: true when the call answered a failure
    } cases[] = {
        {"the clipboard manifest", [&] { PutFifoOnClipboard("manifest"); },
         [] {
             ScrapRef scrap = nullptr;
             UInt32 count = 0;
             return GetCurrentScrap(&scrap) != noErr || GetScrapFlavorCount(scrap, &count) != noErr;
         }},
        {"a clipboard flavor file", [&] { PutFifoOnClipboard("54455854"); },
         [] {
             ScrapRef scrap = nullptr;
             Size size = 0;
             return GetCurrentScrap(&scrap) != noErr || GetScrapFlavorSize(scrap, 'TEXT', &size) != noErr;
         }},
        {"the keychain file", [&] { PutFifo(keychain); },
         [&] {
             SecKeychainRef ref = nullptr;
             SecKeychainStatus status = 0;
             OSStatus opened = SecKeychainOpen(keychain.c_str(), &ref);
             bool refused = opened != noErr || SecKeychainGetStatus(ref, &status) != noErr;
             if (ref != nullptr) {
                 CFRelease(ref);
             }
             return refused;
         }},
        {"a bundle's Info.plist",
         [&] {
             ASSERT_EQ(::mkdir(bundle.c_str(), 0700), 0);
             ASSERT_EQ(::mkdir((bundle + "/Contents").c_str(), 0700), 0);
             PutFifo(bundle + "/Contents/Info.plist");
         },
         [&] {
             CFURLRef url = CFURLCreateFromFileSystemRepresentation(
                 nullptr, reinterpret_cast<const UInt8*>(bundle.c_str()), static_cast<CFIndex>(bundle.size()), true);
             CFBundleRef opened = CFBundleCreate(nullptr, url);
             CFRelease(url);
             if (opened != nullptr) {
                 CFRelease(opened);
             }
             return opened == nullptr;
         }},
        {"a fork's file, replaced after its reference was made",
         [&] { ASSERT_TRUE(testsupport::WriteFile(fork, "clip")); },
         [&] {
             FSRef ref;
             FSIORefNum refNum = 0;
             if (FSPathMakeRef(reinterpret_cast<const UInt8*>(fork.c_str()), &ref, nullptr) != noErr) {
                 return false;
             }
             ::unlink(fork.c_str());
             ::mkfifo(fork.c_str(), 0600);
             return FSOpenFork(&ref, 0, nullptr, fsRdPerm, &refNum) != noErr;
         }},
        {"any file read through the shared reader", [&] { PutFifo(mStorage.root() + "/any"); },
         [&] {
             return platform::ReadRegularFile(mStorage.root() + "/any", 1024).Status() == notAFileErr;
         }},
    };
    for (const Case& c : cases) {
        c.plant();
        EXPECT_EQ(RunWithoutHanging([&] { return c.refused() ? 0 : 1; }), 0) << c.what;
    }
}

// What the user reads for the failures a user can cause: a full disk or quota, a read-only volume,
// a file not theirs, an item gone (or a link or a file met where it was looked for), a folder
// deleted while it still holds something; anything without a closer match is an I/O error. (A file past its size limit, a name taken or
// too long and too many open files are checked through the calls that meet them.)
TEST(ErrnoTable, FailuresAUserCausesGetTheirOwnStatus)
{
    const std::pair<int, OSStatus> cases[] = {{ENOSPC, dskFulErr}, {EDQUOT, dskFulErr}, {EROFS, wPrErr},
                                              {EACCES, permErr},   {EPERM, permErr},    {ENOENT, fnfErr},
                                              {ELOOP, fnfErr},     {ENOTDIR, dirNFErr}, {ENOTEMPTY, fBsyErr},
                                              {0, noErr},          {EPROTO, ioErr}};
    for (auto [error, status] : cases) {
        EXPECT_EQ(platform::StatusForErrno(error), status) << error;
    }
    EXPECT_EQ(platform::ErrnoReason("cannot write /x", ENOSPC), "cannot write /x: No space left on device");
}

// A failure that names no status must never reach an interface call as noErr, a success.
TEST(ErrnoTable, AFailureWithoutAStatusStillFails)
{
    EXPECT_EQ(platform::Result<void>(platform::Failure{noErr, ENOSPC}).Status(), dskFulErr);
    EXPECT_EQ(platform::Result<int>(platform::ErrnoFailure("cannot read /x", 0)).Status(), ioErr);
}

TEST_F(FileBase, AForkWritePastTheFileSizeLimitIsADiskFullError)
{
    const std::string path = mStorage.root() + "/limited";
    ASSERT_TRUE(testsupport::WriteFile(path, ""));
    int answer = RunWithoutHanging([&] {
        // As the host does: the limit is answered with EFBIG, not the signal that kills.
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        FSRef ref;
        FSIORefNum refNum = 0;
        if (FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr) != noErr ||
            FSOpenFork(&ref, 0, nullptr, fsWrPerm, &refNum) != noErr) {
            return 2;
        }
        std::string bytes(8192, 'x');
        ByteCount written = 0;
        OSErr status = FSWriteFork(refNum, fsFromStart, 0, bytes.size(), bytes.data(), &written);
        OSErr closed = FSCloseFork(refNum);
        return status == dskFulErr && written == 4096 && closed == noErr ? 0 : 1;
    });
    EXPECT_EQ(answer, 0);
}

TEST_F(FileBase, ABoundedLockWaitGivesUpWhileAnotherProcessHoldsTheLockAndSaysWhoItIs)
{
    const std::string path = mStorage.root() + "/lock";
    testsupport::LockHolder holder(path);
    platform::LockFile lock;
    for (auto mode : {platform::LockFile::Mode::Exclusive, platform::LockFile::Mode::Shared}) {
        EXPECT_EQ(lock.Lock(AT_FDCWD, path, mode, std::chrono::milliseconds(50)).Errno(), EWOULDBLOCK);
    }
    // The kernel keeps the test program's name, cut to 15 bytes.
    EXPECT_EQ(platform::DescribeLockHolder(AT_FDCWD, path), std::string(program_invocation_short_name).substr(0, 15) +
                                                                " (process " + std::to_string(holder.Pid()) + ")");
    holder.Release();
    EXPECT_TRUE(lock.Lock(AT_FDCWD, path, platform::LockFile::Mode::Exclusive, std::chrono::seconds(30)).Ok());
}

}  // namespace
