// The agreement in the terminal front-end: wrapped to the terminal, 79 columns
// at most, and, when a person reads it on a terminal, paged: space shows the
// next page, Enter the next line, q goes to the question, each key taken at
// once.
#ifndef WIZARD_UI_TERMINAL_PAGER_H
#define WIZARD_UI_TERMINAL_PAGER_H

#include <stdio.h>

// The usable width of the terminal on fd (the last column is left free, so a
// full line never wraps by itself), and its rows; 79 and 24 when fd is no
// terminal.
int UsableWidth(int fd);
int UsableRows(int fd);

// Prints caption and text to ask, a page at a time when paged, and asks
// "Accept? [y/N]", naming the directory that the update will change; the
// answer is a line of standard input. 1 when accepted.
int AskAgreement(FILE *ask, int paged, int colour, const char *caption, const char *text,
                 const char *directory);

#endif
