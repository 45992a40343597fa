// Child programs with their standard output captured in a file.
#ifndef WIZARD_SYS_PROCESS_H
#define WIZARD_SYS_PROCESS_H

#include <stdint.h>

// Runs the resource utility. -1: program or commandLine missing, or the capture
// file could not be created (exitCode untouched), or the start failed (exitCode,
// when given, receives the platform's error code). 0: started, and when wait is
// set it has ended and exitCode, when given, holds its exit code.
int RunCaptured(const char *program, const char *commandLine, int wait, int32_t *exitCode,
                const char *captureFile);

// Runs the command line of an EXECUTE entry; as RunCaptured without the
// argument test.
int RunEntryCommand(const char *commandLine, int wait, int32_t *exitCode,
                    const char *captureFile);

#endif
