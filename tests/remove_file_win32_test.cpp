// File removal on Windows: a file held open without sharing by another process.
#include "sys/files.h"
#include "sys_test_support.h"
#include "ui/recording/recording.h"
#include "win32_holder.h"

#include <chrono>

namespace {

// Less than one retry interval: generous for a loaded machine, yet no wait.
const int NoWaitMs = 90;

class Win32RemoveFile : public ScratchTest {};

TEST_F(Win32RemoveFile, AFileHeldByAnotherProcessGivesSharingViolation) {
    WriteWholeFile("held.tmp", "x");
    FileHolder holder;
    ASSERT_TRUE(StartHolding(&holder, "held.tmp"));
    RecordingReset();
    int pumps = 0;
    RecordingOnPump([&](int) { pumps++; });

    auto start = std::chrono::steady_clock::now();
    int once = RemoveFile("held.tmp", 0);
    auto afterOnce = std::chrono::steady_clock::now();
    int retried = RemoveFile("held.tmp", 1);
    auto end = std::chrono::steady_clock::now();
    int pumpsAfterRetry = pumps;
    StopHolding(&holder);
    RecordingReset();

    EXPECT_EQ(once, ERROR_SHARING_VIOLATION);
    EXPECT_LT(afterOnce - start, std::chrono::milliseconds(NoWaitMs));
    EXPECT_EQ(retried, ERROR_SHARING_VIOLATION);
    EXPECT_GE(end - afterOnce, std::chrono::milliseconds(450));
    EXPECT_LT(end - afterOnce, std::chrono::milliseconds(1500));
    EXPECT_EQ(pumpsAfterRetry, 5);
    EXPECT_EQ(RemoveFile("held.tmp", 1), 0);
    EXPECT_FALSE(Exists("held.tmp"));
}

} // namespace
