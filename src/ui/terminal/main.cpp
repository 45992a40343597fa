#include "app/startup.h"
#include "ui/terminal/terminal.h"

#include <stdio.h>
#include <string.h>

// The command-line tail: the arguments joined with single blanks, as the
// Windows runtime hands the rest of the command line to the program.
int main(int argc, char **argv) {
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
    return WizardMain(tail);
}
