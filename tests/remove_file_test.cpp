// File removal with and without retry, on every platform. A directory in the
// file's place is an obstacle that deletion cannot pass on any platform, root
// or not.
#include "app/wizard.h"
#include "sys/files.h"
#include "sys_test_support.h"
#include "ui/recording/recording.h"

#include <chrono>

namespace {

// Less than one retry interval: generous for a loaded machine, yet no wait.
const int NoWaitMs = 90;

class RemoveFileTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        RecordingReset();
        RecordingOnPump([this](int) { pumps++; });
    }
    void TearDown() override {
        RecordingReset();
        ScratchTest::TearDown();
    }
    // Milliseconds spent in RemoveFile.
    int Timed(const char *name, int retry, int *result) {
        auto start = std::chrono::steady_clock::now();
        *result = RemoveFile(name, retry);
        auto spent = std::chrono::steady_clock::now() - start;
        return (int)std::chrono::duration_cast<std::chrono::milliseconds>(spent).count();
    }
    int pumps = 0;
};

// A directory holding a file: no file deletion removes it.
void MakeObstacle(const char *name) {
    std::filesystem::create_directory(name);
    WriteWholeFile(std::string(name) + "/inside", "x");
}

TEST_F(RemoveFileTest, NothingToRemoveCostsNothing) {
    const char *names[] = {nullptr, "", "not-there", "no-such-directory/not-there"};
    for (const char *name : names) {
        for (int retry = 0; retry <= 1; retry++) {
            int result = -1;
            EXPECT_LT(Timed(name, retry, &result), NoWaitMs);
            EXPECT_EQ(result, 0);
        }
    }
    EXPECT_EQ(pumps, 0);
}

TEST_F(RemoveFileTest, AFileIsRemovedAtTheFirstAttempt) {
    for (int retry = 0; retry <= 1; retry++) {
        WriteWholeFile("update.lst", "[ADD]\n");
        int result = -1;
        EXPECT_LT(Timed("update.lst", retry, &result), NoWaitMs);
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(Exists("update.lst"));
    }
    EXPECT_EQ(pumps, 0);
}

TEST_F(RemoveFileTest, WithoutRetryOneFailedAttemptIsReported) {
    MakeObstacle("locked");
    int expected = DeleteFileOnce("locked");
    ASSERT_NE(expected, 0);
    int result = 0;
    EXPECT_LT(Timed("locked", 0, &result), NoWaitMs);
    EXPECT_EQ(result, expected);
    EXPECT_EQ(pumps, 0);
}

TEST_F(RemoveFileTest, WithRetrySixAttemptsOverHalfASecondPumpingBetween) {
    MakeObstacle("locked");
    int expected = DeleteFileOnce("locked");
    ASSERT_NE(expected, 0);
    int result = 0;
    int spent = Timed("locked", 1, &result);
    EXPECT_GE(spent, 450);
    EXPECT_LT(spent, 1500);
    EXPECT_EQ(result, expected);
    EXPECT_EQ(pumps, 5);
}

// The pump after each retry may run handlers that free the file; the next
// attempt then succeeds, and its pump still runs.
TEST_F(RemoveFileTest, AFileFreedWhileRetryingIsRemoved) {
    MakeObstacle("locked");
    RecordingOnPump([this](int call) {
        pumps++;
        if (call == 2) {
            std::filesystem::remove_all("locked");
            WriteWholeFile("locked", "now a plain file");
        }
    });
    int result = -1;
    int spent = Timed("locked", 1, &result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(Exists("locked"));
    EXPECT_EQ(pumps, 3);
    EXPECT_GE(spent, 250);
    EXPECT_LT(spent, 1000);
}

// Removal goes on through a cancel: the caller decides what a cancel stops.
TEST_F(RemoveFileTest, RetryDoesNotStopOnCancel) {
    MakeObstacle("locked");
    RecordingOnPump([this](int) {
        pumps++;
        Wizard.CancelRequested = 1;
    });
    int result = 0;
    Timed("locked", 1, &result);
    EXPECT_NE(result, 0);
    EXPECT_EQ(pumps, 5);
}

} // namespace
