// The progress window on standard output: drawn in place over its last
// drawing, and only when something changed, on a terminal that can move the
// cursor; otherwise one line per status text, a text equal to the line just
// written left out.
#ifndef WIZARD_UI_TERMINAL_DISPLAY_H
#define WIZARD_UI_TERMINAL_DISPLAY_H

#include "ui/model/model.h"

// Forgets what was drawn; draws: the window is drawn in place; colour: with
// colours and dim greyed parts.
void DisplayReset(int draws, int colour);

// Shows the window for the first time: its drawing, or its title and
// destination as lines.
void DisplayWindow(ModelWindow *window);

// Draws the window (none: nothing) anew when it changed since the last
// drawing, or when all says the old drawing is lost (a resized terminal has
// rewrapped it). 1 when it drew.
int Redraw(ModelWindow *window, int all);

// A box was printed below the drawing: the window is drawn anew under it.
// After a question the next status line is written even if it repeats the last.
void DisplayAfterBox(int question);

// A status text as a line, unless the window is drawn or it repeats the last.
void DisplayStatusLine(const char *text);

// Plain lines on a terminal, at the end: the run waits for Enter, so it says so.
void DisplayFinishHint();

#endif
