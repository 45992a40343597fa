// Child programs with captured standard output, on every platform: what the
// planning and execution passes rely on.
#include "app/wizard.h"
#include "sys/process.h"
#include "sys_test_support.h"
#include "ui/recording/recording.h"

#include <chrono>
#include <string>
#include <thread>

namespace {

const char Capture[] = "!tmpexec.tmp";
const int32_t Untouched = 0x5A5A5A5A;
const int32_t FileNotFound = 2; // ERROR_FILE_NOT_FOUND and ENOENT alike

std::string Child(const std::string &arguments) {
    return ChildCommand(WIZARD_CHILD_NAME) + " " + arguments;
}

class Process : public ScratchTest {};

TEST_F(Process, MissingProgramFailsWithFileNotFoundAndLeavesTheCaptureFile) {
    const char *lines[] = {"no-such-program-here", "no-such-program-here with arguments",
                           "\"no such program here\" 1 2", "./no-such-program-here"};
    for (const char *line : lines) {
        SCOPED_TRACE(line);
        std::filesystem::remove(Capture);
        int32_t code = Untouched;
        EXPECT_EQ(RunEntryCommand(line, 1, &code, Capture), -1);
        EXPECT_EQ(code, FileNotFound);
        ASSERT_TRUE(Exists(Capture));
        EXPECT_EQ(std::filesystem::file_size(Capture), 0u);

        code = Untouched;
        EXPECT_EQ(RunCaptured(line, line, 1, &code, "!tmpexec.$$$"), -1);
        EXPECT_EQ(code, FileNotFound);
        EXPECT_TRUE(Exists("!tmpexec.$$$"));
    }
}

TEST_F(Process, MissingProgramWithoutDestinationStillFails) {
    EXPECT_EQ(RunEntryCommand("no-such-program-here", 1, nullptr, Capture), -1);
    EXPECT_EQ(RunEntryCommand("", 1, nullptr, Capture), -1);
    EXPECT_EQ(RunEntryCommand(nullptr, 1, nullptr, Capture), -1);
}

TEST_F(Process, RunCapturedRefusesMissingArgumentsBeforeMakingTheCaptureFile) {
    std::string line = Child("0 --create=ran");
    struct Case {
        const char *program;
        const char *commandLine;
    } cases[] = {{nullptr, line.c_str()},
                 {line.c_str(), nullptr},
                 {nullptr, nullptr},
                 {"", line.c_str()},
                 {line.c_str(), ""}};
    for (const Case &c : cases) {
        int32_t code = Untouched;
        EXPECT_EQ(RunCaptured(c.program, c.commandLine, 1, &code, Capture), -1);
        EXPECT_EQ(code, Untouched);
        EXPECT_FALSE(Exists(Capture));
        EXPECT_FALSE(Exists("ran"));
    }
}

TEST_F(Process, StandardOutputLandsInTheCaptureFile) {
    int32_t code = Untouched;
    ASSERT_EQ(RunEntryCommand(Child("0 hello world").c_str(), 1, &code, Capture), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadWholeFile(Capture), "[hello]\n[world]\n");

    // The program path is only tested; the command line names what runs.
    std::string line = Child("3 utility");
    ASSERT_EQ(RunCaptured("anything", line.c_str(), 1, &code, "!tmpexec.$$$"), 0);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(ReadWholeFile("!tmpexec.$$$"), "[utility]\n");
}

TEST_F(Process, StandardErrorStaysTheWizards) {
    ASSERT_EQ(RunEntryCommand(Child("0 --stderr=not-captured out").c_str(), 1, nullptr, Capture),
              0);
    EXPECT_EQ(ReadWholeFile(Capture), "[out]\n");
}

TEST_F(Process, AnExistingCaptureFileIsEmptiedFirst) {
    WriteWholeFile(Capture, "output of an earlier run that is much longer\n");
    ASSERT_EQ(RunEntryCommand(Child("0 x").c_str(), 1, nullptr, Capture), 0);
    EXPECT_EQ(ReadWholeFile(Capture), "[x]\n");

    WriteWholeFile(Capture, "stale");
    ASSERT_EQ(RunEntryCommand(Child("0").c_str(), 1, nullptr, Capture), 0);
    EXPECT_EQ(ReadWholeFile(Capture), "");
}

TEST_F(Process, CaptureFileThatCannotBeCreatedStartsNoChild) {
    const char *places[] = {"no-such-directory/capture.tmp", ""};
    for (const char *place : places) {
        SCOPED_TRACE(place);
        int32_t code = Untouched;
        std::string line = Child("0 --create=ran");
        EXPECT_EQ(RunEntryCommand(line.c_str(), 1, &code, place), -1);
        EXPECT_EQ(RunCaptured("utility", line.c_str(), 1, &code, place), -1);
        EXPECT_EQ(code, Untouched);
        EXPECT_FALSE(Exists("ran"));
    }
}

TEST_F(Process, ExitCodesArePassedOn) {
    const int32_t codes[] = {0, 1, 2, 42, 127, 255};
    for (int32_t expected : codes) {
        int32_t code = Untouched;
        std::string line = Child(std::to_string(expected));
        ASSERT_EQ(RunEntryCommand(line.c_str(), 1, &code, Capture), 0);
        EXPECT_EQ(code, expected);
        code = Untouched;
        ASSERT_EQ(RunCaptured("utility", line.c_str(), 1, &code, Capture), 0);
        EXPECT_EQ(code, expected);
    }
}

// The same script line must give a child the same arguments on every platform.
TEST_F(Process, ArgumentsAreSplitByTheWindowsRules) {
    struct Case {
        const char *arguments;
        const char *printed;
    } cases[] = {
        {"plain words", "[plain]\n[words]\n"},
        {"  many \t  blanks  ", "[many]\n[blanks]\n"},
        {"\"two words\" one", "[two words]\n[one]\n"},
        {"in\"side quo\"tes", "[inside quotes]\n"},
        {"\"\" empty", "[]\n[empty]\n"},
        {"a\\b c\\\\d", "[a\\b]\n[c\\\\d]\n"},
        {"\\\"quote\\\"", "[\"quote\"]\n"},
        {"a\\\\\"b c\"", "[a\\b c]\n"},
        {"a\\\\\\\"b c", "[a\\\"b]\n[c]\n"},
        {"\"C:\\Program Files\\\\\" next", "[C:\\Program Files\\]\n[next]\n"},
        {"\"unterminated quote", "[unterminated quote]\n"},
        {"trailing\\", "[trailing\\]\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments);
        ASSERT_EQ(
            RunEntryCommand(Child(std::string("0 ") + c.arguments).c_str(), 1, nullptr, Capture),
            0);
        EXPECT_EQ(ReadWholeFile(Capture), c.printed);
    }
}

TEST_F(Process, TheWaitEndsWithTheChild) {
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunEntryCommand(Child("0 --sleep=300 --create=done").c_str(), 1, nullptr, Capture),
              0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_TRUE(Exists("done"));
}

TEST_F(Process, WithoutWaitTheCallReturnsWhileTheChildRuns) {
    int32_t code = Untouched;
    ASSERT_EQ(RunEntryCommand(Child("5 --sleep=400 --create=done").c_str(), 0, &code, Capture), 0);
    EXPECT_EQ(code, Untouched);
    EXPECT_FALSE(Exists("done"));
    // Let it end before the scratch directory goes.
    for (int i = 0; i < 500 && !Exists("done"); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(Exists("done"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// The wait neither pumps messages nor looks at a cancel: a started child is
// always waited for.
TEST_F(Process, TheWaitIgnoresCancelAndDispatchesNothing) {
    RecordingReset();
    int pumps = 0;
    RecordingOnPump([&](int) { pumps++; });
    Wizard.CancelRequested = 1;
    int32_t code = Untouched;
    ASSERT_EQ(
        RunCaptured("utility", Child("9 --sleep=100 --create=done").c_str(), 1, &code, Capture), 0);
    EXPECT_EQ(code, 9);
    EXPECT_TRUE(Exists("done"));
    EXPECT_EQ(pumps, 0);
    RecordingReset();
}

} // namespace
