// Child programs with their standard output captured in a file.
#ifndef WIZARD_SYS_PROCESS_H
#define WIZARD_SYS_PROCESS_H

#include <stdint.h>

// Runs the resource utility. -1: program or commandLine missing (null or empty),
// or the capture file could not be created (exitCode untouched), or the start
// failed (exitCode, when given, receives the platform's error code). 0: started, and when wait is
// set it has ended and exitCode, when given, holds its exit code.
// The wait dispatches no window messages and ignores CancelRequested.
// On POSIX the command line is split by the Windows runtime's rules, an
// unquoted program path with blanks is found as Windows finds it (each prefix
// that ends at a blank, shortest first), a program without a directory part is
// looked for in the current directory and then along PATH, a failed
// start gives the errno value (ENOENT is 2, as on Windows), and a child ended by
// a signal reports 128 plus the signal's number.
int RunCaptured(const char *program, const char *commandLine, int wait, int32_t *exitCode,
                const char *captureFile);

// Runs the command line of an EXECUTE entry; as RunCaptured without the
// argument test (a null command line fails to start like an empty one).
int RunEntryCommand(const char *commandLine, int wait, int32_t *exitCode, const char *captureFile);

// The platform's part of both: creates the capture file, starts the child with
// it as standard output and, when wait is set, waits for its end. The resource
// utility runs at normal priority, EXECUTE programs at high priority (Windows).
enum ChildPriority { PRIORITY_NORMAL, PRIORITY_HIGH };
int StartCapturedChild(const char *commandLine, ChildPriority priority, int wait, int32_t *exitCode,
                       const char *captureFile);

#endif
