// Child programs as the passes run them: the resource utility and the
// programs of EXECUTE entries, hidden, their standard output in a capture
// file that is created anew for each, waited for.
#ifndef WIZARD_UPDATE_CHILD_H
#define WIZARD_UPDATE_CHILD_H

#include <stdint.h>

// Runs the resource utility: program is tested, the command line names it
// again. -1: program or commandLine missing (null or empty), or the capture
// file could not be created (*exitCode untouched), or the start failed
// (*exitCode receives the platform's error code). 0: it ran, and *exitCode
// holds its exit code.
int RunCaptured(const char *program, const char *commandLine, int32_t *exitCode,
                const char *captureFile);

// Runs the command line of an EXECUTE entry, at high priority; as RunCaptured
// without the argument test (a null command line fails to start like an
// empty one). exitCode may be none.
int RunEntryCommand(const char *commandLine, int32_t *exitCode, const char *captureFile);

#endif
