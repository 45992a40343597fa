#include "app/startup.h"
#include "state/version.h"
#include "ui/terminal/terminal.h"

#include <stdio.h>
#include <string.h>

// Kept word for word in the README's "Command line" section.
static const char Usage[] =
    "Usage: update-wizard [/DIR=DIRECTORY]\n"
    "       update-wizard --help | --version\n"
    "\n"
    "Applies the update that has been copied into an installed product's directory:\n"
    "shows the user agreement, reads the update's *.wiz file and script, runs the\n"
    "product's resource utility, and replaces, removes and time-stamps files there.\n"
    "\n"
    "  /DIR=DIRECTORY  work in DIRECTORY, not in the current directory; the rest of\n"
    "                  the command line, blanks included, names it\n"
    "  -h, --help      show this text\n"
    "  --version       show the program's name and version\n"
    "\n"
    "Answers are read from standard input, a line each: `yes | update-wizard\n"
    "/DIR=DIR` accepts the agreement and answers every question with y;\n"
    "`update-wizard </dev/null` declines. When standard output is not a terminal,\n"
    "each status text is one line, and the wizard ends by itself after the run;\n"
    "questions then go to standard error if standard input is a terminal.\n"
    "\n"
    "Keys: in the agreement, space shows the next page, Enter the next line, q the\n"
    "question. In the progress window, Ctrl-C is Cancel (it asks first, once a\n"
    "program that the update runs has ended, which Ctrl-C never stops; after the\n"
    "run it leaves), Enter is Finish, Ctrl-D is the close box. A hang-up (SIGHUP,\n"
    "SIGTERM) is the close box. One wizard at a time works in a directory.\n"
    "\n"
    "Exit status:\n"
    "  0  the update ran to \"All done.\" without a warning\n"
    "  1  the wizard could not start (e.g. the current directory cannot be read)\n"
    "  2  the agreement was declined, or the command line was wrong\n"
    "  3  the update stopped while it was planned, before its files were handled\n"
    "     (the warning says why): mend that and run it again\n"
    "  4  the update ran to \"All done.\" with warnings (a file skipped, a failed\n"
    "     copy or deletion, no cleanup list, a utility that did not start or\n"
    "     failed): their number ends standard error; unless every file reached\n"
    "     its place, the update's own files stay, and running it again finishes\n"
    "     it, but for a file that a warning says cannot be replaced\n"
    "  5  the user stopped the update before its end: Cancel or Ctrl-C\n"
    "     confirmed, the close box, a hang-up; the last cleanup runs to its end\n"
    "     all the same, and closing after \"All done.\" is a normal end (0 or 4)\n"
    "\n"
    "Environment: NO_COLOR set and not empty turns colours off; TERM unset or\n"
    "\"dumb\" shows lines instead of the drawn window.\n";

// Options come before /DIR=; from there on every argument is the directory.
// -1 when the program goes on, else the exit status.
static int TakeOptions(int argc, char **argv) {
    for (int i = 1; i < argc && strstr(argv[i], "/DIR=") == nullptr; i++) {
        const char *arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            fputs(Usage, stdout);
            return EXIT_DONE;
        }
        if (strcmp(arg, "--version") == 0) {
            puts("update-wizard " WIZARD_VERSION);
            return EXIT_DONE;
        }
        if (arg[0] == '-') {
            fprintf(stderr, "update-wizard: unknown option '%s'; see update-wizard --help\n", arg);
            return EXIT_USAGE;
        }
    }
    return -1;
}

// The command-line tail: the arguments joined with single blanks, as the
// Windows runtime hands the rest of the command line to the program.
int main(int argc, char **argv) {
    int status = TakeOptions(argc, argv);
    if (status >= 0)
        return status;
    // Signals are taken from the start: Ctrl-C must never kill the wizard.
    TerminalReset();
    static char tail[32768];
    size_t used = 0;
    for (int i = 1; i < argc; i++) {
        int written = snprintf(tail + used, sizeof tail - used, i > 1 ? " %s" : "%s", argv[i]);
        if (written < 0 || static_cast<size_t>(written) >= sizeof tail - used) {
            // Longer than any Windows command line: a cut directory text could
            // name another, existing directory, so the argument is left out whole.
            tail[used] = '\0';
            break;
        }
        used += static_cast<size_t>(written);
    }
    return TerminalExitStatus(WizardMain(tail));
}
