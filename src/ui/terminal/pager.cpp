#include "ui/terminal/pager.h"

#include "ui/terminal/input.h"
#include "ui/terminal/screen.h"

#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

enum { AGREEMENT_WIDTH = 79, ANSWER_SIZE = 512 };

int UsableWidth(int fd) {
    struct winsize size;
    if (isatty(fd) && ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col - 1;
    return 79;
}

int UsableRows(int fd) {
    struct winsize size;
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_row > 3)
        return size.ws_row;
    return 24;
}

// The longest hint that fits, so that a narrow terminal never splits a word.
static const char *PagerHint(int width) {
    static const char *const Hints[] = {
        "-- More --  space: next page, Enter: next line, q: to the question",
        "-- More --  space, Enter, q", "-- More --"};
    for (const char *hint : Hints)
        if (static_cast<int>(strlen(hint)) <= width)
            return hint;
    return Hints[2];
}

// Waits for a pager key under a hint, then rubs the hint out. Returns the
// lines the next stretch may print: a page, one line, 0 for the question, or
// -1 when the reader left (the agreement is declined).
static int PagerKey(FILE *ask, int width, int page) {
    const char *hint = PagerHint(width);
    fputs(hint, ask);
    fflush(ask);
    int key = ReadKey();
    fprintf(ask, "\r%*s\r", static_cast<int>(strlen(hint)), "");
    if (key == 0)
        return -1;
    if (key == 'q' || key == 'Q')
        return 0;
    return key == '\n' || key == '\r' ? 1 : page;
}

int AskAgreement(FILE *ask, int paged, int colour, const char *caption, const char *text,
                 const char *directory) {
    int width = UsableWidth(fileno(ask));
    if (width > AGREEMENT_WIDTH)
        width = AGREEMENT_WIDTH;
    int page = paged ? UsableRows(fileno(ask)) - 2 : 0;
    fprintf(ask, "%s%s%s\n\n", colour ? AttributeBold : "", caption, colour ? AttributeReset : "");
    char line[SCREEN_LINE_SIZE];
    char clean[MODEL_TEXT_SIZE];
    size_t offset = 0;
    int room = page > 0 ? page - 2 : -1; // lines before the next pause; -1: no pager
    while (room != 0 && NextWrappedLine(text, &offset, width, line, sizeof line)) {
        fprintf(ask, "%s\n", SanitizeText(line, clean, sizeof clean));
        if (room > 0 && --room == 0 && text[offset] != '\0') {
            room = PagerKey(ask, width, page);
            if (room < 0)
                return 0;
        }
    }
    fprintf(ask, "\nDestination Directory: %s\nAccept? [y/N] ",
            SanitizeText(directory, clean, sizeof clean));
    char answer[ANSWER_SIZE];
    return ReadAnswer(answer, sizeof answer, ask) == READ_LINE && AnswerAccepts(answer);
}
