// The text work of the terminal front-end, free of any input or output: how
// answers are read, how long texts are wrapped, and how the progress window
// looks when it is drawn on a terminal.
#ifndef WIZARD_UI_TERMINAL_SCREEN_H
#define WIZARD_UI_TERMINAL_SCREEN_H

#include "ui/model/model.h"

#include <stddef.h>

enum {
    SCREEN_LINES = 20,      // lines of the drawn progress window, at most
    SCREEN_LINE_SIZE = 512, // one drawn line, colour sequences included
    SCREEN_MIN_WIDTH = 32,  // the longest fixed line; narrower terminals wrap
    SCREEN_MAX_WIDTH = 78,  // wider ones leave the rest of the line empty
    STATUS_LINES = 5,       // a status text of 255 characters fits in 5 lines of 64
    TITLE_LINES = 2         // the title wraps at a blank on a narrow terminal
};

// The terminal's attribute sequences: bold, dim, the warnings' colour, and the
// sequence that ends each of them.
extern const char AttributeBold[];
extern const char AttributeDim[];
extern const char AttributeWarning[];
extern const char AttributeReset[];

// 1 when an answer accepts the agreement: "y" or "yes" in any case, with blanks
// and a carriage return around it ignored. Everything else declines.
int AnswerAccepts(const char *line);

// The answer to a question whose default is Yes: 1 for Yes (an empty answer,
// "y" or "yes"), 0 for No ("n" or "no"), -1 for anything else (ask again).
// Case and surrounding blanks do not matter.
int AnswerYesDefault(const char *line);

// Copies text to dest (bounded, always terminated), turning control
// characters into '?' so that names read from update files cannot move the
// cursor or change colours. Returns dest.
char *SanitizeText(const char *text, char *dest, size_t size);

// Cuts the next line of at most width characters out of text, starting at
// *offset, and advances *offset past it. Lines end at LF (a CR before it is
// dropped); longer lines break after the last blank that fits, or hard at
// width when a word is longer. Returns 0 once the text is used up.
int NextWrappedLine(const char *text, size_t *offset, int width, char *line, size_t size);

// Whether the terminal may be driven with cursor movement (a terminal whose
// TERM is set and not "dumb"), and whether colours may be used on it as well
// (NO_COLOR unset or empty). term and noColour may be none.
int TerminalCanMoveCursor(int isTerminal, const char *term);
int TerminalCanUseColour(int canMove, const char *noColour);

// The progress bar as "[#####.....] 50%", filled in proportion to the position
// within the range; inner is the number of cells between the brackets.
void FormatProgressBar(const ProgressState *bar, int inner, char *dest, size_t size);

// What the drawn progress window shows.
struct ScreenState {
    const char *title;
    const char *destination;
    const char *status;
    int resourcesEnabled;
    ProgressState bar;
    int cancelEnabled;
    int finishEnabled;
};

struct ScreenLines {
    int count;
    char line[SCREEN_LINES][SCREEN_LINE_SIZE];
};

// Lays the window out for a terminal of the given width (clamped to
// SCREEN_MIN_WIDTH..SCREEN_MAX_WIDTH); no line is wider than that. Greyed
// parts are dim when colour is set, and marked in words otherwise.
void ComposeProgressScreen(const ScreenState *state, int width, int colour, ScreenLines *out);

#endif
