// update-check [DIR]: reports what the update wizard would meet in the update
// in DIR (default: the current directory), one line per finding.
#include "check.h"

#include <stdio.h>

int main(int argc, char **argv) {
    static char report[REPORT_SIZE];
    int status = UpdateCheckCommand(argc, argv, report, sizeof report);
    fputs(report, status == 2 ? stderr : stdout);
    return status;
}
