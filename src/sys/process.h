// Child programs, run hidden with their standard output in a file.
#ifndef WIZARD_SYS_PROCESS_H
#define WIZARD_SYS_PROCESS_H

#include "sys/files.h"

#include <stdint.h>

// The resource utility runs at normal priority, EXECUTE programs at high
// priority (Windows; the same on POSIX).
enum ChildPriority { PRIORITY_NORMAL, PRIORITY_HIGH };

// Runs commandLine with output as its standard output, and the wizard's own
// standard input and error, and waits for its end; the wait dispatches no
// window messages. 0 and the child's exit code in *exitCode; or the
// platform's error code of a failed start.
//
// On POSIX the child runs in a process group of its own, so that a Ctrl-C
// meant for the wizard never stops it half-way; the command line is split by
// the Windows runtime's rules, an unquoted program path with blanks is found
// as Windows finds it (each prefix that ends at a blank, shortest first), a
// program without a directory part is looked for in the current directory
// and then along PATH, a failed start gives the errno value (ENOENT is 2, as
// on Windows), and a child ended by a signal reports 128 plus its number.
int RunChild(const char *commandLine, ChildPriority priority, FileHandle output, int32_t *exitCode);

#endif
