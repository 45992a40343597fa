// Child programs on POSIX: finding the program as Windows would, the exit code
// of a child ended by a signal, and descriptors that must not leak.
#include "sys/process.h"
#include "sys_test_support.h"

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>

namespace {

const char Capture[] = "!tmpexec.tmp";
const int32_t Untouched = 0x5A5A5A5A;

class PosixProcess : public ScratchTest {};

// Copies the test child into the scratch directory under another name.
void InstallChildAs(const char *name, std::filesystem::perms permissions) {
    std::filesystem::copy_file(StartDirectory() / WIZARD_CHILD_NAME, name);
    std::filesystem::permissions(name, permissions);
}

TEST_F(PosixProcess, AProgramInTheCurrentDirectoryComesBeforePath) {
    // "true" from PATH would end with 0.
    InstallChildAs("true", std::filesystem::perms::owner_all);
    int32_t code = Untouched;
    ASSERT_EQ(RunEntryCommand("true 42 local", 1, &code, Capture), 0);
    EXPECT_EQ(code, 42);
    EXPECT_EQ(ReadWholeFile(Capture), "[local]\n");
}

TEST_F(PosixProcess, AProgramNotInTheCurrentDirectoryIsSearchedAlongPath) {
    int32_t code = Untouched;
    ASSERT_EQ(RunEntryCommand("false", 1, &code, Capture), 0);
    EXPECT_EQ(code, 1);
}

TEST_F(PosixProcess, ANameWithADirectoryIsUsedAsGiven) {
    std::filesystem::create_directory("sub");
    InstallChildAs("sub/child", std::filesystem::perms::owner_all);
    int32_t code = Untouched;
    ASSERT_EQ(RunEntryCommand("sub/child 7", 1, &code, Capture), 0);
    EXPECT_EQ(code, 7);
    // Not looked up along PATH, although /bin/true exists.
    code = Untouched;
    EXPECT_EQ(RunEntryCommand("sub/true", 1, &code, Capture), -1);
    EXPECT_EQ(code, ENOENT);
}

TEST_F(PosixProcess, AProgramThatCannotBeRunReportsWhy) {
    InstallChildAs("not-executable", std::filesystem::perms::owner_read);
    std::filesystem::create_directory("a-directory");
    struct Case {
        const char *line;
        int32_t error;
    } cases[] = {{"not-executable 0", EACCES},
                 {"./not-executable 0", EACCES},
                 {"a-directory", EACCES},
                 {"./a-directory", EACCES}};
    // Root may execute a file without execute permission only when some
    // execute bit is set, so the first cases hold for every user.
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        int32_t code = Untouched;
        EXPECT_EQ(RunEntryCommand(c.line, 1, &code, Capture), -1);
        EXPECT_EQ(code, c.error);
    }
}

TEST_F(PosixProcess, AChildEndedByASignalReports128PlusTheSignal) {
    int32_t code = Untouched;
    ASSERT_EQ(RunEntryCommand((ChildCommand(WIZARD_CHILD_NAME) + " 0 --abort").c_str(), 1, &code,
                              Capture),
              0);
    EXPECT_EQ(code, 128 + SIGABRT);
}

TEST_F(PosixProcess, ExitCodesAreTheLowByteAsPosixKeepsIt) {
    int32_t code = Untouched;
    ASSERT_EQ(
        RunEntryCommand((ChildCommand(WIZARD_CHILD_NAME) + " 257").c_str(), 1, &code, Capture), 0);
    EXPECT_EQ(code, 1);
}

TEST_F(PosixProcess, TheCaptureFileReachesTheChildOnlyAsItsStandardOutput) {
    ASSERT_EQ(RunCaptured("probe", ChildCommand(PLATFORM_PROBE_NAME).c_str(), 1, nullptr, Capture),
              0);
    EXPECT_EQ(ReadWholeFile(Capture), "done\n");
}

TEST_F(PosixProcess, TheCaptureFileIsCreatedReadableAndWritable) {
    mode_t old = umask(022);
    ASSERT_EQ(
        RunEntryCommand((ChildCommand(WIZARD_CHILD_NAME) + " 0").c_str(), 1, nullptr, Capture), 0);
    umask(old);
    struct stat info;
    ASSERT_EQ(stat(Capture, &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(PosixProcess, AnEmptyPathEntryDoesNotHideTheRest) {
    const char *saved = getenv("PATH");
    std::string original = saved != nullptr ? saved : "";
    std::string path = ":" + original;
    setenv("PATH", path.c_str(), 1);
    int32_t code = Untouched;
    EXPECT_EQ(RunEntryCommand("false", 1, &code, Capture), 0);
    EXPECT_EQ(code, 1);
    setenv("PATH", "/no/such/dir", 1);
    code = Untouched;
    EXPECT_EQ(RunEntryCommand("false", 1, &code, Capture), -1);
    EXPECT_EQ(code, ENOENT);
    setenv("PATH", original.c_str(), 1);
}

// Windows refuses a command line of 32768 characters or more; so does this.
TEST_F(PosixProcess, AnOverlongCommandLineFailsLikeTheStart) {
    std::string line =
        ChildCommand(WIZARD_CHILD_NAME) + " 0 --create=ran " + std::string(40000, 'x');
    int32_t code = Untouched;
    EXPECT_EQ(RunEntryCommand(line.c_str(), 1, &code, Capture), -1);
    EXPECT_EQ(code, E2BIG);
    EXPECT_FALSE(Exists("ran"));
    EXPECT_TRUE(Exists(Capture));
}

} // namespace
