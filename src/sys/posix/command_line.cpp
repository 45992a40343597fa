// Command-line splitting by the rules of the Microsoft C runtime.
#include "sys/posix/command_line.h"

#include <string.h>

static int IsBlank(char c) {
    return c == ' ' || c == '\t';
}

static const char *SkipBlanks(const char *p) {
    while (IsBlank(*p))
        p++;
    return p;
}

// The program's word: quotes only group, backslashes are plain characters. A
// word without quotes takes in its first `blanks` runs of blanks as they stand.
// None when the word cannot take in that many before the line ends.
static const char *ScanProgram(const char *p, int blanks, char **out) {
    int quoted = 0;
    int left = blanks;
    for (; *p != '\0'; p++) {
        if (*p == '"') {
            if (blanks > 0)
                return nullptr;
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsBlank(*p)) {
            const char *next = SkipBlanks(p);
            if (left == 0 || *next == '\0')
                break;
            left--;
            while (p + 1 < next)
                *(*out)++ = *p++;
        }
        *(*out)++ = *p;
    }
    *(*out)++ = '\0';
    return left > 0 ? nullptr : p;
}

// One argument after the program, with the backslash and quote rules.
static const char *ScanArgument(const char *p, char **out) {
    int quoted = 0;
    for (;;) {
        size_t backslashes = 0;
        while (*p == '\\') {
            backslashes++;
            p++;
        }
        int literal = 1;
        if (*p == '"') {
            if (backslashes % 2 == 0) {
                if (quoted && p[1] == '"')
                    p++; // "" inside quotes: one literal quote, still quoted
                else {
                    literal = 0;
                    quoted = !quoted;
                }
            }
            backslashes /= 2;
        }
        for (; backslashes > 0; backslashes--)
            *(*out)++ = '\\';
        if (*p == '\0' || (!quoted && IsBlank(*p)))
            break;
        if (literal)
            *(*out)++ = *p;
        p++;
    }
    *(*out)++ = '\0';
    return p;
}

int SplitCommandLineAt(const char *commandLine, int programBlanks, CommandLineWords *words) {
    words->Count = 0;
    words->Words[0] = nullptr;
    // Bounding the length bounds the output too: Text has room for the line.
    if (strnlen(commandLine, COMMAND_LINE_SIZE) >= COMMAND_LINE_SIZE)
        return -1;

    char *out = words->Text;
    const char *p = SkipBlanks(commandLine);
    if (*p == '\0')
        return 0;
    p = ScanProgram(p, programBlanks, &out);
    if (p == nullptr)
        return NO_SUCH_PROGRAM;
    words->Words[words->Count++] = words->Text;
    p = SkipBlanks(p);
    while (*p != '\0') {
        words->Words[words->Count++] = out;
        p = SkipBlanks(ScanArgument(p, &out));
    }
    words->Words[words->Count] = nullptr;
    return words->Count;
}

int SplitCommandLine(const char *commandLine, CommandLineWords *words) {
    return SplitCommandLineAt(commandLine, 0, words);
}
