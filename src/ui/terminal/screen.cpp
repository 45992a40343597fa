#include "ui/terminal/screen.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

const char AttributeBold[] = "\x1b[1m";
const char AttributeDim[] = "\x1b[2m";
const char AttributeWarning[] = "\x1b[1;33m";
const char AttributeReset[] = "\x1b[0m";

// The answer without surrounding blanks, lower-cased; answers longer than any
// word we look for come back cut, which still matches nothing.
static void NormaliseAnswer(const char *line, char *dest, size_t size) {
    while (*line == ' ' || *line == '\t')
        line++;
    size_t used = 0;
    for (; *line != '\0' && used + 1 < size; line++)
        dest[used++] = static_cast<char>(tolower(static_cast<unsigned char>(*line)));
    while (used > 0 && (dest[used - 1] == ' ' || dest[used - 1] == '\t' || dest[used - 1] == '\r'))
        used--;
    dest[used] = '\0';
}

int AnswerAccepts(const char *line) {
    char answer[8];
    NormaliseAnswer(line, answer, sizeof answer);
    return strcmp(answer, "y") == 0 || strcmp(answer, "yes") == 0;
}

int AnswerYesDefault(const char *line) {
    char answer[8];
    NormaliseAnswer(line, answer, sizeof answer);
    if (answer[0] == '\0' || strcmp(answer, "y") == 0 || strcmp(answer, "yes") == 0)
        return 1;
    if (strcmp(answer, "n") == 0 || strcmp(answer, "no") == 0)
        return 0;
    return -1;
}

char *SanitizeText(const char *text, char *dest, size_t size) {
    if (size == 0)
        return dest;
    size_t used = 0;
    for (; *text != '\0' && used + 1 < size; text++) {
        unsigned char c = static_cast<unsigned char>(*text);
        dest[used++] = c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c);
    }
    dest[used] = '\0';
    return dest;
}

int NextWrappedLine(const char *text, size_t *offset, int width, char *line, size_t size) {
    size_t at = *offset;
    if (text[at] == '\0' || size == 0)
        return 0;
    size_t end = at;
    while (text[end] != '\0' && text[end] != '\n')
        end++;
    size_t length = end - at;
    if (length > 0 && text[end - 1] == '\r')
        length--;
    size_t next = text[end] == '\n' ? end + 1 : end;
    size_t limit = width > 0 ? static_cast<size_t>(width) : 1;
    if (length > limit) {
        // Break after the last blank that fits; a word longer than the line is cut.
        size_t cut = limit;
        while (cut > 0 && text[at + cut] != ' ')
            cut--;
        if (cut == 0) {
            length = limit;
            next = at + limit;
        } else {
            length = cut;
            next = at + cut;
            while (text[next] == ' ')
                next++;
        }
    }
    if (length >= size)
        length = size - 1;
    memcpy(line, text + at, length);
    line[length] = '\0';
    *offset = next;
    return 1;
}

int TerminalCanMoveCursor(int isTerminal, const char *term) {
    return isTerminal && term != nullptr && term[0] != '\0' && strcmp(term, "dumb") != 0;
}

int TerminalCanUseColour(int canMove, const char *noColour) {
    return canMove && (noColour == nullptr || noColour[0] == '\0');
}

void FormatProgressBar(const ProgressState *bar, int inner, char *dest, size_t size) {
    char cells[SCREEN_LINE_SIZE];
    if (inner < 1)
        inner = 1;
    if (inner > static_cast<int>(sizeof cells) - 1)
        inner = static_cast<int>(sizeof cells) - 1;
    long range = static_cast<long>(bar->maximum) - bar->minimum;
    long done = static_cast<long>(bar->position) - bar->minimum;
    if (range <= 0 || done < 0)
        done = 0;
    if (range > 0 && done > range)
        done = range;
    long filled = range > 0 ? done * inner / range : 0;
    long percent = range > 0 ? done * 100 / range : 0;
    for (int i = 0; i < inner; i++)
        cells[i] = i < filled ? '#' : '.';
    cells[inner] = '\0';
    snprintf(dest, size, "[%s] %3ld%%", cells, percent);
}

// Appends text to a line, wrapped in an attribute when one is given.
static void Append(char *line, const char *text, const char *attribute) {
    size_t used = strlen(line);
    if (attribute != nullptr)
        snprintf(line + used, SCREEN_LINE_SIZE - used, "%s%s%s", attribute, text, AttributeReset);
    else
        snprintf(line + used, SCREEN_LINE_SIZE - used, "%s", text);
}

static char *NewLine(ScreenLines *out) {
    if (out->count == SCREEN_LINES)
        return nullptr;
    char *line = out->line[out->count++];
    line[0] = '\0';
    return line;
}

static void AddLine(ScreenLines *out, const char *text, const char *attribute) {
    char *line = NewLine(out);
    if (line != nullptr)
        Append(line, text, attribute);
}

// The contents of a field, set in by two blanks under its label.
static void AddIndented(ScreenLines *out, const char *text, const char *attribute) {
    char *line = NewLine(out);
    if (line == nullptr)
        return;
    Append(line, "  ", nullptr);
    Append(line, text, attribute);
}

// The destination is one line that scrolls: when it is too long, its end,
// which names the product, is the part worth seeing.
static void AddDestination(ScreenLines *out, const char *destination, int width) {
    char clean[SCREEN_LINE_SIZE];
    char shown[SCREEN_LINE_SIZE];
    SanitizeText(destination, clean, sizeof clean);
    size_t room = static_cast<size_t>(width - 2);
    size_t length = strlen(clean);
    if (length > room)
        snprintf(shown, sizeof shown, "...%s", clean + length - (room - 3));
    else
        snprintf(shown, sizeof shown, "%s", clean);
    AddIndented(out, shown, nullptr);
}

static void AddStatus(ScreenLines *out, const char *status, int width) {
    char clean[MODEL_TEXT_SIZE];
    char part[SCREEN_LINE_SIZE];
    SanitizeText(status, clean, sizeof clean);
    size_t offset = 0;
    int lines = 0;
    while (lines < STATUS_LINES && NextWrappedLine(clean, &offset, width - 2, part, sizeof part)) {
        AddIndented(out, part, nullptr);
        lines++;
    }
    // Two lines at least, so that the buttons do not jump with every short text.
    for (; lines < 2; lines++)
        AddLine(out, "", nullptr);
}

static void AddButtons(ScreenLines *out, const ScreenState *state, int width, int colour) {
    char *line = NewLine(out);
    if (line == nullptr)
        return;
    const char *cancel = state->cancelEnabled ? "[ Cancel ]" : "  Cancel  ";
    const char *finish = state->finishEnabled ? "[ Finish ]" : "  Finish  ";
    Append(line, cancel, colour && !state->cancelEnabled ? AttributeDim : nullptr);
    int gap = width - 20;
    char blanks[SCREEN_LINE_SIZE];
    snprintf(blanks, sizeof blanks, "%*s", gap > 1 ? gap : 1, "");
    Append(line, blanks, nullptr);
    Append(line, finish, colour && !state->finishEnabled ? AttributeDim : nullptr);
}

void ComposeProgressScreen(const ScreenState *state, int width, int colour, ScreenLines *out) {
    if (width < SCREEN_MIN_WIDTH)
        width = SCREEN_MIN_WIDTH;
    if (width > SCREEN_MAX_WIDTH)
        width = SCREEN_MAX_WIDTH;
    out->count = 0;
    char text[SCREEN_LINE_SIZE];
    char clean[SCREEN_LINE_SIZE];
    SanitizeText(state->title, clean, sizeof clean);
    size_t offset = 0;
    for (int i = 0; i < TITLE_LINES && NextWrappedLine(clean, &offset, width, text, sizeof text);
         i++)
        AddLine(out, text, colour ? AttributeBold : nullptr);
    snprintf(text, sizeof text, "%.*s", width,
             "========================================================================"
             "========================================================================");
    AddLine(out, text, nullptr);
    AddLine(out, "Destination Directory", nullptr);
    AddDestination(out, state->destination, width);
    AddLine(out, "Status", nullptr);
    AddStatus(out, state->status, width);
    if (state->resourcesEnabled || colour)
        AddLine(out, "Processing Resources", state->resourcesEnabled ? nullptr : AttributeDim);
    else
        AddLine(out, "Processing Resources (inactive)", nullptr);
    char bar[SCREEN_LINE_SIZE];
    FormatProgressBar(&state->bar, width - 9, bar, sizeof bar);
    AddIndented(out, bar, colour && !state->resourcesEnabled ? AttributeDim : nullptr);
    AddLine(out, "", nullptr);
    AddButtons(out, state, width, colour);
    if (state->cancelEnabled)
        AddLine(out, "Ctrl-C cancels the update.", colour ? AttributeDim : nullptr);
    else if (state->finishEnabled)
        AddLine(out, "Press Enter to finish.", colour ? AttributeBold : nullptr);
    else
        AddLine(out, "", nullptr);
}
