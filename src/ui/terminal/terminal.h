// The terminal backend: the in-process windows of ui/model shown on a text
// terminal, or as plain lines when standard output is not one. It implements
// the rest of ui/window.h and ModelChanged, over three rooms: input.h (signals,
// the keyboard's modes, standard input), pager.h (the agreement) and
// display.h (the window on standard output). The keys and answers a user
// gives, and the exit statuses, are the program's usage text (main.cpp).
//
// What the user does reaches the progress window as the platform's clicks
// would: Ctrl-C posts Cancel (once Cancel is greyed, the close box); SIGHUP,
// SIGTERM and the end of input post the close box, the end of input from a
// pipe or file only when the wizard waits for the user, so that a short answer
// file never stops a running pass; Enter posts Finish once it is enabled.
// Everything happens in PumpMessages or the main loop, on the one thread.
//
// Questions read one line each from standard input. When standard input is
// not a terminal the answer read is echoed, so a log shows question and answer
// together, and a warning does not wait for Enter. When standard input is a
// terminal and standard output is not, questions go to standard error, so the
// person at the keyboard sees what is asked while the log gets the status
// texts; when standard output is not a terminal the wizard ends on its own
// once the run is over, as Finish would.
#ifndef WIZARD_UI_TERMINAL_TERMINAL_H
#define WIZARD_UI_TERMINAL_TERMINAL_H

#include "ui/model/model.h"

// Forgets windows, queue and buffered input, and looks again at the standard
// streams and the terminal's kind. Every entry of the backend does this by
// itself on first use; tests call it after redirecting the streams.
void TerminalReset();

// Restores the terminal's modes as they were before the progress window took
// the keyboard. Harmless when nothing was changed.
void TerminalRestore();

// What the native program exits with, from what this backend saw of the run;
// wizardResult is WizardMain's result (not 0 only when the window failed):
enum TerminalExit {
    EXIT_DONE = 0,             // "All done." without a warning
    EXIT_NOT_STARTED = 1,      // the program could not start
    EXIT_DECLINED = 2,         // the agreement was declined
    EXIT_USAGE = 2,            // the command line was wrong; nothing was read or run
    EXIT_PLANNING_STOPPED = 3, // the planning pass ended the update
    EXIT_WARNINGS = 4,         // "All done." with warnings
    EXIT_STOPPED = 5           // the user stopped it: Cancel confirmed, the close box, a hang-up
};
// Also tells on standard error how many warnings there were, when there were any.
int TerminalExitStatus(int wizardResult);

#endif
