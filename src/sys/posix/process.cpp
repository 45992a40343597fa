// Child programs on POSIX: posix_spawn of the program that the command line
// names, split by the Windows rules, with standard output in the capture file.
// The priority class and the hidden window of the Windows backend have no
// meaning here and are left out.
#include "sys/process.h"

#include "sys/fault.h"
#include "sys/posix/command_line.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

enum { PROGRAM_PATH_SIZE = PATH_MAX };

// Creates the capture file anew. Its descriptor is close-on-exec and above the
// standard ones, so that the child gets it only as the standard output made for
// it, even when the wizard runs with a standard descriptor closed.
static int CreateCaptureFile(const char *name) {
    if (name == nullptr) {
        errno = ENOENT;
        return -1;
    }
    int fault = FaultBefore(FAULT_CREATE, name, nullptr);
    if (fault != 0) {
        errno = fault;
        return -1;
    }
    int fd = open(name, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    int high = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    return high;
}

// 0 when path is a regular file that may be executed; else the reason.
static int CheckCandidate(const char *path) {
    struct stat info;
    if (stat(path, &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return EACCES;
    return access(path, X_OK) == 0 ? 0 : errno;
}

// Keeps the more telling of two lookup failures: a program that was found but
// cannot be run says more than one that was not found.
static int WorseFailure(int kept, int found) {
    return (kept == 0 || kept == ENOENT || kept == ENOTDIR) ? found : kept;
}

// Finds the program as Windows does: a name with a directory part as given,
// otherwise in the current directory first, then along PATH. 0 and the path in
// dest when that is a program file, or an errno value.
static int FindProgram(const char *name, char *dest, size_t size) {
    if (name[0] == '\0')
        return ENOENT;
    if (strchr(name, '/') != nullptr)
        return snprintf(dest, size, "%s", name) < (int)size ? CheckCandidate(dest) : ENAMETOOLONG;
    int failure = ENOENT;
    if (snprintf(dest, size, "./%s", name) < (int)size) {
        failure = CheckCandidate(dest);
        if (failure == 0)
            return 0;
    }
    const char *path = getenv("PATH");
    while (path != nullptr && *path != '\0') {
        const char *end = strchr(path, ':');
        size_t length = end != nullptr ? (size_t)(end - path) : strlen(path);
        // An empty entry means the current directory, which came first already.
        if (length > 0 && snprintf(dest, size, "%.*s/%s", (int)length, path, name) < (int)size) {
            int result = CheckCandidate(dest);
            if (result == 0)
                return 0;
            failure = WorseFailure(failure, result);
        }
        path = end != nullptr ? end + 1 : nullptr;
    }
    return failure;
}

// Splits the line and finds its program as CreateProcessA does when the path is
// not quoted: "/opt/My Product/tool a" tries "/opt/My", then "/opt/My Product/tool",
// then the whole line, and takes the first that names a program file; the rest
// are its arguments. 0 with words and program filled, or an errno value.
static int SplitAndFind(const char *line, CommandLineWords *words, char *program, size_t size) {
    int failure = ENOENT;
    for (int blanks = 0;; blanks++) {
        int count = SplitCommandLineAt(line, blanks, words);
        if (count == -1)
            return E2BIG;
        if (count == 0)
            return ENOENT;
        if (count == NO_SUCH_PROGRAM)
            return failure;
        int result = FindProgram(words->Words[0], program, size);
        if (result == 0)
            return 0;
        failure = WorseFailure(failure, result);
        // A longer word keeps what made this one too long.
        if (result == ENAMETOOLONG)
            return failure;
    }
}

// Starts the child with capture as its standard output: 0 and its id in *child,
// or an errno value.
static int StartChild(const char *commandLine, int capture, pid_t *child) {
    // Far too large for the stack; the wizard has one thread and never starts
    // two children at once.
    static CommandLineWords words;
    static char program[PROGRAM_PATH_SIZE];

    int result =
        SplitAndFind(commandLine != nullptr ? commandLine : "", &words, program, sizeof program);
    if (result != 0)
        return result;

    result = FaultBefore(FAULT_START, commandLine, nullptr);
    if (result != 0)
        return result;
    posix_spawn_file_actions_t actions;
    result = posix_spawn_file_actions_init(&actions);
    if (result != 0)
        return result;
    result = posix_spawn_file_actions_adddup2(&actions, capture, STDOUT_FILENO);
    if (result == 0)
        result = posix_spawn(child, program, &actions, nullptr, words.Words, environ);
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

// The exit code as Windows would give it for a normal end; a child ended by a
// signal reports 128 plus the signal's number, as shells do. -1 when the end
// cannot be learnt (the wizard's SIGCHLD ignored, so the child was reaped).
static int32_t WaitForChild(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

// Priority classes have no meaning here; every child runs as the wizard does.
int StartCapturedChild(const char *commandLine, ChildPriority, int wait, int32_t *exitCode,
                       const char *captureFile) {
    int capture = CreateCaptureFile(captureFile);
    if (capture < 0)
        return -1;
    pid_t child = 0;
    int failure = StartChild(commandLine, capture, &child);
    close(capture);
    if (failure != 0) {
        if (exitCode != nullptr)
            *exitCode = failure;
        return -1;
    }
    // A child not waited for is never reaped; every caller waits.
    if (!wait)
        return 0;
    int32_t code = WaitForChild(child);
    if (exitCode != nullptr)
        *exitCode = code;
    return 0;
}
