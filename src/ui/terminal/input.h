// What reaches the terminal backend from the user: signals, the keyboard's
// modes and the bytes of standard input, read on the one thread.
//
// Signal handlers only write the signal's number to a pipe; FillInput reads it
// back and sets the flags below. Ctrl-C (SIGINT) is counted, SIGHUP and SIGTERM
// are a hang-up, SIGWINCH and SIGCONT ask for a whole redraw.
#ifndef WIZARD_UI_TERMINAL_INPUT_H
#define WIZARD_UI_TERMINAL_INPUT_H

#include <stddef.h>
#include <stdio.h>

enum { INPUT_SIZE = 4096 }; // bytes read from standard input and not yet used

struct KeyboardInput {
    int isTerminal; // standard input is a terminal
    char buffer[INPUT_SIZE];
    size_t used;
    int ended;         // standard input has ended
    int interrupts;    // Ctrl-C seen and not yet turned into a message
    int hangup;        // SIGHUP or SIGTERM seen
    int redrawAll;     // the terminal was resized or the program resumed
    int keyboardTaken; // the terminal is in the progress window's key mode
};

extern KeyboardInput Input;

// Forgets buffered input and flags, looks at standard input again and installs
// the signal handlers (once); signals that came before are dropped.
void InputReset();

// Single keys without echo, so that Enter and typing do not scroll the drawn
// window; Ctrl-C becomes a key rather than a signal to the whole process
// group, so that it never reaches a child program that runs for the update.
void TakeKeyboard();

// Restores the terminal's modes as they were before TakeKeyboard. Harmless
// when nothing was changed.
void RestoreKeyboard();

// Waits up to timeout milliseconds (-1: until something happens) for a signal
// or, when wantInput is set, for standard input; takes whatever has arrived.
void FillInput(int timeout, int wantInput);

// Takes one line out of the buffer (without its LF); a last line without LF
// counts once input has ended, and an overlong line is cut. 0 when none.
int TakeInputLine(char *line, size_t size);

enum ReadResult { READ_LINE, READ_END, READ_INTERRUPT };

// One answer line, with the terminal in its ordinary line mode. When standard
// input is no terminal the answer is echoed to echo, so that a log shows it;
// an answer that did not come ends the line there.
ReadResult ReadAnswer(char *line, size_t size, FILE *echo);

// One key from the terminal, taken at once and not echoed; 0 for Ctrl-C, a
// hang-up or the end of input.
int ReadKey();

#endif
