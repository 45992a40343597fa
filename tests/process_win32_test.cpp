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

// Whether the platform shows a child the priority class it was started with
// (Wine keeps every process at normal priority): the probe started directly.
bool PlatformShowsPriority() {
    std::string line = ChildCommand(PLATFORM_PROBE_NAME) + " priority calibration.txt";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &child))
        return false;
    WaitForSingleObject(child.hProcess, 30000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return ReadWholeFile("calibration.txt") == "priority=80\n";
}

// The probe's report of its start through each operation.
void ReportsOfStart(std::string *utility, std::string *entry) {
    std::string line = ChildCommand(PLATFORM_PROBE_NAME) + " startup";
    ASSERT_EQ(RunCaptured("utility", line.c_str(), 1, nullptr, Capture), 0);
    *utility = ReadWholeFile(Capture);
    ASSERT_EQ(RunEntryCommand(line.c_str(), 1, nullptr, Capture), 0);
    *entry = ReadWholeFile(Capture);
}

TEST_F(Win32Process, ChildrenStartHiddenWithTheirOutputInTheCaptureFile) {
    std::string utility, entry;
    ReportsOfStart(&utility, &entry);
    for (const std::string &report : {utility, entry}) {
        EXPECT_EQ(report.substr(0, report.find(" priority")), "flags=101 show=0");
        EXPECT_NE(report.find(" stdout=file\n"), std::string::npos) << report;
    }
}

TEST_F(Win32Process, UpdateProgramsRunAtHighPriorityTheUtilityAtNormal) {
    if (!PlatformShowsPriority())
        GTEST_SKIP() << "this platform does not show a child its priority class";
    std::string utility, entry;
    ReportsOfStart(&utility, &entry);
    EXPECT_NE(utility.find(" priority=20 "), std::string::npos) << utility;
    EXPECT_NE(entry.find(" priority=80 "), std::string::npos) << entry;
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
