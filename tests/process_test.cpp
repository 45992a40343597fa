// Child programs with captured standard output: one table of runs for both
// platforms with the rows only one of them has, and the POSIX command-line split.
#include "state/wizard_state.h"
#include "support.h"
#include "sys/files.h"
#include "ui/recording/recording.h"
#include "update/child.h"

#ifndef _WIN32
#include "sys/posix/command_line.h"

#include <signal.h>
#include <sys/stat.h>
#endif

namespace {

const char Capture[] = "!tmpexec.tmp";
const int32_t Untouched = 0x5A5A5A5A;
const std::string Stale = "output of an earlier run";

// program: RunCaptured's, or none for RunEntryCommand; output: the capture file
// afterwards, without CR.
struct Started {
    const char *program;
    std::string line;
    int result;
    int32_t code;
    std::string output, capture = Capture;
};

class Process : public ScratchTest {};

TEST_F(Process, RunTable) {
    const std::string ran = Child("0 --create=ran");
    std::vector<Started> rows = {
        {nullptr, Child("0 hello world"), 0, 0, "[hello]\n[world]\n"},
        // The program is only tested for presence; the command line names what runs.
        {"anything", Child("3 utility"), 0, 3, "[utility]\n"},
        {nullptr, Child("255 --stderr=not-captured out"), 0, 255, "[out]\n"},
        // A program that is not there: ERROR_FILE_NOT_FOUND and ENOENT are both 2.
        {"utility", "\"no such program\" 1 2", -1, 2, ""},
        {nullptr, "./no-such-program-here", -1, 2, ""},
        // Refused before the capture file is made, or no capture file: no start.
        {"", ran, -1, Untouched, Stale},
        {"utility", "", -1, Untouched, Stale},
        {nullptr, ran, -1, Untouched, "<missing>", "no-such-directory/capture.tmp"},
        {"utility", ran, -1, Untouched, "<missing>", ""},
#ifdef _WIN32
        {nullptr, Child("0xFFFFFFFB"), 0, -5, ""},
        {"utility", Child("0xC0000005"), 0, (int32_t)0xC0000005u, ""},
        {nullptr, ran + std::string(40000, 'x'), -1, ERROR_FILENAME_EXCED_RANGE, ""},
        // Hidden, with standard handles: STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES.
        {nullptr, Child("startup"), 0, 0, "flags=101 show=0\n"},
        {"utility", Child("startup"), 0, 0, "flags=101 show=0\n"},
        {nullptr, ran, -1, Untouched, "<missing>", "held.tmp"},
#else
        {nullptr, Child("0 --abort"), 0, 128 + SIGABRT, ""},
        {nullptr, Child("257"), 0, 1, ""},
        {nullptr, ran + std::string(40000, 'x'), -1, E2BIG, ""},
        // Found as Windows finds it: in the current directory before PATH, then
        // along PATH; a name with a directory part only as given; an unquoted one
        // with blanks as the longest start of the line that names a program.
        {nullptr, "true 7 local", 0, 7, "[local]\n"},
        {nullptr, "false", 0, 1, ""},
        {nullptr, "sub/true", -1, ENOENT, ""},
        {nullptr, "not-executable 0", -1, EACCES, ""},
        {nullptr, "./not-executable 0", -1, EACCES, ""},
        {nullptr, "sub", -1, EACCES, ""},
        {nullptr, "./sub", -1, EACCES, ""},
        // Only the child's standard output reaches it, however many are open; and
        // it runs in a process group of its own, out of reach of the wizard's Ctrl-C.
        {"probe", Child("fds"), 0, 0, "done\nown group\n"},
#endif
    };
#ifdef _WIN32
    // Another reader of the capture file is no obstacle; a holder without sharing is.
    HANDLE reader = CreateFileA(Capture, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    FileHolder holder;
    ASSERT_TRUE(StartHolding(&holder, "held.tmp"));
#else
    fs::create_directory("sub");
    fs::copy_file(ChildPath(), "true");
    fs::copy_file(ChildPath(), "not-executable");
    fs::permissions("not-executable", fs::perms::owner_read);
#endif
    for (const Started &row : rows) {
        WriteFile(Capture, Stale);
        fs::remove("ran");
        int32_t code = Untouched;
        const char *capture = row.capture.c_str();
        int result = row.program ? RunCaptured(row.program, row.line.c_str(), &code, capture)
                                 : RunEntryCommand(row.line.c_str(), &code, capture);
        std::string output = WithoutCr(ReadFile(row.capture));
        std::string shown = std::string(row.program ? row.program : "(EXECUTE)") + " [" +
                            row.line.substr(0, 100) + "] capture " + row.capture;
        EXPECT_EQ(result, row.result) << shown;
        EXPECT_EQ(code, row.code) << shown;
        EXPECT_EQ(output, row.output) << shown;
        EXPECT_EQ(Exists("ran"), row.result == 0 && row.line == ran) << shown;
    }
#ifdef _WIN32
    StopHolding(&holder);
    CloseHandle(reader);
#endif
    EXPECT_EQ(RunCaptured(nullptr, ran.c_str(), nullptr, Capture), -1);
    EXPECT_EQ(RunCaptured(ran.c_str(), nullptr, nullptr, Capture), -1);
    EXPECT_EQ(RunEntryCommand(nullptr, nullptr, Capture), -1);
    EXPECT_EQ(RunEntryCommand("", nullptr, Capture), -1);
    EXPECT_FALSE(Exists("ran"));
}

// The wait neither pumps messages nor looks at a cancel.
TEST_F(Process, WaitOrNot) {
    RecordingReset();
    int pumps = 0;
    RecordingOnPump([&](int) { pumps++; });
    Wizard.CancelRequested = 1;
    int32_t code = Untouched;
    ASSERT_EQ(RunEntryCommand(Child("9 --sleep=300 --create=done").c_str(), &code, Capture), 0);
    EXPECT_EQ(code, 9);
    EXPECT_TRUE(Exists("done"));
    EXPECT_EQ(pumps, 0);
    Wizard.CancelRequested = 0;
    RecordingReset();
#ifndef _WIN32
    // The capture file is readable by all; an empty PATH entry hides nothing.
    mode_t old = umask(022);
    ASSERT_EQ(RunEntryCommand("false", &code, Capture), 0);
    umask(old);
    struct stat info;
    ASSERT_EQ(stat(Capture, &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    const std::string path = getenv("PATH");
    setenv("PATH", (":" + path).c_str(), 1);
    EXPECT_EQ(RunEntryCommand("false", &code, Capture), 0);
    EXPECT_EQ(code, 1);
    setenv("PATH", path.c_str(), 1);
#endif
}

#ifndef _WIN32
// The Windows runtime's rules, so that a script means the same on both
// platforms: the words as "[word]...", or the failure's number.
std::string Split(const std::string &line, int programBlanks = 0) {
    static CommandLineWords words; // too large for the stack
    int count = programBlanks ? SplitCommandLineAt(line.c_str(), programBlanks, &words)
                              : SplitCommandLine(line.c_str(), &words);
    std::string found = count < 0 ? std::to_string(count) : "";
    for (int i = 0; i < count; i++)
        found += "[" + std::string(words.Words[i]) + "]";
    EXPECT_EQ(words.Words[std::max(count, 0)], nullptr) << line;
    return found;
}

// Rows "line|[word]...".
TEST(CommandLine, SplitTable) {
    for (std::string row :
         {"|", " \t |", "  prog  a   b\tc \t|[prog][a][b][c]", "p a\nb a\rb|[p][a\nb][a\rb]",
          // The program takes quotes only for grouping and backslashes literally.
          "\"C:\\Program Files\\u.exe\" a|[C:\\Program Files\\u.exe][a]",
          "C:\\\"Program Files\"\\u|[C:\\Program Files\\u]", "d\\\\\"x y\" z|[d\\\\x y][z]",
          "d\\\"x y\" z|[d\\x y][z]", "\"\" a|[][a]", "\"open end|[open end]",
          // Later words: quotes group and vanish; backslashes count only before
          // a quote, where 2n give n and 2n+1 give n and a literal quote.
          "p a\"b c\"d \"\" \"a\t b\" \"open  |[p][ab cd][][a\t b][open  ]",
          "p a\\b a\\\\b \\\\s\\h\\ t\\|[p][a\\b][a\\\\b][\\\\s\\h\\][t\\]",
          "p a\\\\\"b c\" a\\\\\\\\\"b c\"|[p][a\\b c][a\\\\b c]",
          "p \\\"a a\\\\\\\"b c|[p][\"a][a\\\"b][c]",
          "p \"a \\\" b\" \"C:\\d\\\\\" \"C:\\d\\\" next|[p][a \" b][C:\\d\\][C:\\d\" next]",
          // Two quotes inside quotes give one and the part goes on; outside, nothing.
          "p \"a\"\"b\" \"a\"\" b\" c a\"b\"\" c d|[p][a\"b][a\" b][c][ab\" c d]",
          "p \"\"\"\" a\"\"b|[p][\"][ab]"}) {
        size_t bar = row.rfind('|');
        EXPECT_EQ(Split(row.substr(0, bar)), row.substr(bar + 1)) << row;
    }
    // An unquoted program word may take in its first runs of blanks, if the line has them.
    EXPECT_EQ(Split("/opt/My Product/tool a b", 1), "[/opt/My Product/tool][a][b]");
    EXPECT_EQ(Split("  a  b\tc d", 2), "[a  b\tc][d]");
    EXPECT_EQ(Split("a b", 2), "-2");
    EXPECT_EQ(Split("\"a b\" c", 1), "-2");
    // The longest line Windows takes fits; one more character is refused.
    static CommandLineWords words;
    std::string line = "p";
    while (line.size() + 2 < COMMAND_LINE_SIZE)
        line += " x";
    ASSERT_EQ(SplitCommandLine(line.c_str(), &words), COMMAND_LINE_WORDS);
    EXPECT_EQ(words.Words[COMMAND_LINE_WORDS], nullptr);
    EXPECT_GE(SplitCommandLine(std::string(COMMAND_LINE_SIZE - 1, '"').c_str(), &words), 1);
    EXPECT_EQ(Split(line + "y"), "-1");
}
#endif

} // namespace
