// update-check [DIR]: reports what the update wizard would meet in the update
// in DIR (default: the current directory), one line per finding.
#include "check.h"

#include "sys/pump.h"

#include <stdio.h>
#include <string.h>

static const char Usage[] = "usage: update-check [DIR]\n"
                            "       update-check --help | --version\n";

static const char Help[] =
    "Examines the update in DIR (default: the current directory) as the update\n"
    "wizard would read it, without changing a byte and without running anything:\n"
    "the *.wiz pointer file, the update script, the utility, the archive and the\n"
    "files that the script names, compressed ones decoded in full. One line per\n"
    "finding, \"file:line: message\", in the order of the files.\n"
    "Exit status: 0 nothing found, 1 something found, 2 usage error.\n"
    "The update author's guide: docs/authoring.md.\n";

// The wizard's pieces linked here could show a warning or pump a window only
// while expanding a file, which the checker never does.
void ShowWarning(const char *) {}
void PumpMessages() {}

int main(int argc, char **argv) {
    static char report[REPORT_SIZE];
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        fputs(Usage, stdout);
        fputs(Help, stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("update-check %s\n", TOOLS_VERSION);
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        fputs(Usage, stderr);
        return 2;
    }
    const char *dir = argc == 2 ? argv[1] : "";
    int found = CheckUpdate(dir, report, sizeof report);
    if (found < 0) {
        fprintf(stderr, "update-check: %s: cannot enter this directory\n", dir);
        return 2;
    }
    fputs(report, stdout);
    return found > 0 ? 1 : 0;
}
