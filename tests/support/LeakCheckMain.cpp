// The main function of every test program. It checks, around each test, that the number of live
// platform objects (and of Cocoa objects) is back where it started: a leaked or over-released
// object fails the test.
#include <PlatformHost.h>

#include <gtest/gtest.h>

namespace {

bool gCountMismatch = false;

class LiveObjectCheck : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override
    {
        mAtStart = PlatformLiveObjectCount();
        mCocoaAtStart = PlatformCocoaLiveObjectCount();
    }

    void OnTestEnd(const testing::TestInfo& info) override
    {
        long atEnd = PlatformLiveObjectCount();
        if (atEnd != mAtStart) {
            gCountMismatch = true;
            ADD_FAILURE_AT(info.file(), info.line())
                << "live platform objects: " << mAtStart << " before the test, " << atEnd << " after it ("
                << (atEnd > mAtStart ? "leak" : "over-release") << ")";
        }
        long cocoaAtEnd = PlatformCocoaLiveObjectCount();
        if (cocoaAtEnd != mCocoaAtStart) {
            gCountMismatch = true;
            ADD_FAILURE_AT(info.file(), info.line())
                << "live Cocoa objects: " << mCocoaAtStart << " before the test, " << cocoaAtEnd << " after it";
        }
    }

private:
    long mAtStart = 0;
    long mCocoaAtStart = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new LiveObjectCheck);
    int status = RUN_ALL_TESTS();
    // A failure added after a test has ended may not change its recorded result: the exit status
    // makes sure the mismatch fails the run.
    return status != 0 || gCountMismatch ? 1 : 0;
}
