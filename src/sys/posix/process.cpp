// Child programs on POSIX: posix_spawn of the program that the command line
// names, split by the Windows rules, with standard output in the capture file.
// The priority class and the hidden window of the Windows backend have no
// meaning here and are left out.
#include "sys/platform.h"
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

// Starts the child with output as its standard output, in a process group of
// its own: a Ctrl-C at the terminal reaches the wizard's group only, and the
// wizard asks its question once the child has ended. 0 and its id in *child,
// or an errno value.
static int StartChild(const char *commandLine, int output, pid_t *child) {
    // Far too large for the stack; the wizard has one thread and never starts
    // two children at once.
    static CommandLineWords words;
    static char program[PROGRAM_PATH_SIZE];

    int result =
        SplitAndFind(commandLine != nullptr ? commandLine : "", &words, program, sizeof program);
    if (result != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    result = posix_spawn_file_actions_init(&actions);
    if (result != 0)
        return result;
    result = posix_spawnattr_init(&attributes);
    if (result == 0) {
        result = posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        if (result == 0)
            result = posix_spawnattr_setpgroup(&attributes, 0);
        if (result == 0)
            result = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        if (result == 0)
            result = posix_spawn(child, program, &actions, &attributes, words.Words, environ);
        posix_spawnattr_destroy(&attributes);
    }
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
int PlatformRunChild(const char *commandLine, ChildPriority, FileHandle output, int32_t *exitCode) {
    pid_t child = 0;
    int failure = StartChild(commandLine, (int)output, &child);
    if (failure != 0)
        return failure;
    *exitCode = WaitForChild(child);
    return 0;
}
