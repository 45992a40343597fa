// update-check: what the wizard would meet in an update directory, found with
// the wizard's own text reader, value forms and decoder, without changing a
// byte and without running anything.
#ifndef UPDATE_CHECK_CHECK_H
#define UPDATE_CHECK_CHECK_H

#include <stddef.h>

enum {
    FINDING_SIZE = 320, // one line of the report, with its line end
    MAX_FINDINGS = 400, // more are counted in one last line
    REPORT_SIZE = (MAX_FINDINGS + 1) * FINDING_SIZE
};

// Examines the update in dir (the current directory when dir is none or "")
// and writes into report one line per finding, "file:line: message", or
// "file: message" where no line applies, in the order of the files (pointer
// file, update script, list files) and of their lines. The report is cut to
// size and always terminated. Returns the number of findings, or -1 when dir
// cannot be entered. The current directory is the same afterwards.
int CheckUpdate(const char *dir, char *report, size_t size);

// The command "update-check [DIR]" (also --help and --version): its exit
// status, 0 nothing found, 1 something found, 2 usage error or a DIR that
// cannot be entered; report receives what the command prints, for standard
// output with 0 and 1, for standard error with 2.
int UpdateCheckCommand(int argc, const char *const *argv, char *report, size_t size);

#endif
