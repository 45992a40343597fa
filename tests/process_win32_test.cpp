// Child programs on Windows: the start description, the priority classes, exit
// codes as signed 32-bit values and a capture file held by another process.
#include "sys/process.h"
#include "sys_test_support.h"
#include "win32_holder.h"

#include <string>

namespace {

const char Capture[] = "!tmpexec.tmp";
const int32_t Untouched = 0x5A5A5A5A;

class Win32Process : public ScratchTest {};

TEST_F(Win32Process, ChildrenStartHiddenWithTheirOutputInTheCaptureFile) {
    std::string line = ChildCommand(PLATFORM_PROBE_NAME) + " startup";
    ASSERT_EQ(RunCaptured("utility", line.c_str(), 1, nullptr, Capture), 0);
    EXPECT_EQ(ReadWholeFile(Capture), "flags=101 show=0 priority=20 stdout=file\n");
    ASSERT_EQ(RunEntryCommand(line.c_str(), 1, nullptr, Capture), 0);
    EXPECT_EQ(ReadWholeFile(Capture), "flags=101 show=0 priority=80 stdout=file\n");
}

TEST_F(Win32Process, ExitCodesAreSigned32BitValues) {
    struct Case {
        const char *given;
        int32_t expected;
    } cases[] = {{"0", 0},           {"256", 256},       {"0x7FFFFFFF", 0x7FFFFFFF},
                 {"0xFFFFFFFF", -1}, {"0xFFFFFFFB", -5}, {"0xC0000005", (int32_t)0xC0000005u}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.given);
        int32_t code = Untouched;
        std::string line = ChildCommand(WIZARD_CHILD_NAME) + " " + c.given;
        ASSERT_EQ(RunEntryCommand(line.c_str(), 1, &code, Capture), 0);
        EXPECT_EQ(code, c.expected);
        code = Untouched;
        ASSERT_EQ(RunCaptured("utility", line.c_str(), 1, &code, Capture), 0);
        EXPECT_EQ(code, c.expected);
    }
}

TEST_F(Win32Process, ACaptureFileHeldWithoutSharingStartsNoChild) {
    FileHolder holder;
    ASSERT_TRUE(StartHolding(&holder, Capture));
    int32_t code = Untouched;
    std::string line = ChildCommand(WIZARD_CHILD_NAME) + " 0 --create=ran";
    EXPECT_EQ(RunEntryCommand(line.c_str(), 1, &code, Capture), -1);
    EXPECT_EQ(RunCaptured("utility", line.c_str(), 1, &code, Capture), -1);
    StopHolding(&holder);
    EXPECT_EQ(code, Untouched);
    EXPECT_FALSE(Exists("ran"));
}

TEST_F(Win32Process, ACaptureFileOpenForSharedReadingIsNoObstacle) {
    HANDLE reader = CreateFileA(Capture, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::string line = ChildCommand(WIZARD_CHILD_NAME) + " 0 shared";
    EXPECT_EQ(RunEntryCommand(line.c_str(), 1, nullptr, Capture), 0);
    CloseHandle(reader);
    EXPECT_EQ(ReadWholeFile(Capture), "[shared]\n");
}

TEST_F(Win32Process, AnOverlongCommandLineFailsLikeTheStart) {
    std::string line = ChildCommand(WIZARD_CHILD_NAME) + " 0 " + std::string(40000, 'x');
    int32_t code = Untouched;
    EXPECT_EQ(RunEntryCommand(line.c_str(), 1, &code, Capture), -1);
    EXPECT_EQ(code, ERROR_FILENAME_EXCED_RANGE);
}

} // namespace
