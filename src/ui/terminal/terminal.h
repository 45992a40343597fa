// The terminal backend: the in-process windows of ui/model shown on a text
// terminal, or as plain lines when standard output is not one. It implements
// the rest of ui/window.h, ShowWarning, PumpMessages and ModelChanged.
//
// What the user does, and what it means:
//   Ctrl-C (SIGINT, or the key while the progress window is up)
//                        the Cancel button; once Cancel is greyed, the close box
//   SIGHUP, SIGTERM      the close box (WM_CLOSE)
//   end of input         the close box; on a terminal (Ctrl-D) at once, from a
//                        pipe or file only when the wizard waits for the user,
//                        so that a short answer file never stops a running pass
//   Enter                Finish, once it is enabled
// Signal handlers only write the signal's number to a pipe; everything else
// happens in PumpMessages or the main loop, on the one thread.
//
// Questions read one line each from standard input, on a terminal or not, so
// `yes | update-wizard` answers every question with y:
//   the agreement        "Accept? [y/N]": y or yes (any case) accepts; anything
//                        else, end of input or Ctrl-C declines
//   the cancel question  "[Y/n]": empty, y or yes is Yes; n or no is No; other
//                        answers ask again; end of input or Ctrl-C is Yes
// When standard input is not a terminal the answer read is echoed, so a log
// shows question and answer together; a warning does not wait for Enter then.
//
// When standard input is a terminal and standard output is not, questions and
// prompts go to standard error, so the person at the keyboard sees what is
// asked while the log gets the status texts.
//
// On a terminal that can move the cursor (TERM set and not "dumb") the window
// is drawn in place and redrawn only when the model changed; colours unless
// NO_COLOR is set. Otherwise one line per status text on standard output, a
// text equal to the line just written left out; when standard output is not a
// terminal the wizard ends on its own once the run is over, as Finish would.
// The agreement is wrapped to the terminal (79 columns at most) and, when a
// person reads it, paged: space shows the next page, Enter the next line, q
// goes to the question, each key taken at once.
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
    EXIT_DONE = 0,        // "All done." without a warning
    EXIT_NOT_STARTED = 1, // the program could not start
    EXIT_DECLINED = 2,    // the agreement was declined
    EXIT_USAGE = 2,       // the command line was wrong; nothing was read or run
    EXIT_NOT_CHANGED = 3, // the planning pass ended the update
    EXIT_WARNINGS = 4,    // "All done." with warnings
    EXIT_STOPPED = 5      // the user stopped it: Cancel confirmed, the close box, a hang-up
};
// Also tells on standard error how many warnings there were, when there were any.
int TerminalExitStatus(int wizardResult);

#endif
