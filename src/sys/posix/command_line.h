// Splitting of a command line into a program and its arguments by the rules of
// the Microsoft C runtime, so that a script's command line means the same on
// POSIX as on Windows. Used only by the POSIX process backend.
//
// Leading blanks and tabs are skipped. The first word (the program) ends at the first blank or tab
// outside double quotes (but see SplitCommandLineAt); quotes in it only group and are dropped, and
// backslashes are always literal, since it must be a file name.
//
// Every later word:
// - blanks and tabs outside double quotes separate words; runs of them count once;
// - a double quote starts or ends a quoted part and is dropped;
// - 2n backslashes before a double quote give n backslashes, and the quote
//   starts or ends a quoted part;
// - 2n+1 backslashes before a double quote give n backslashes and a literal quote;
// - backslashes not before a double quote are literal;
// - inside a quoted part, two double quotes give one literal quote and the part
//   goes on (the rule of the runtime since Visual C++ 2008, which the universal
//   runtime keeps; older runtimes ended the quoted part there).
#ifndef WIZARD_SYS_POSIX_COMMAND_LINE_H
#define WIZARD_SYS_POSIX_COMMAND_LINE_H

enum {
    // The longest command line Windows accepts, with its terminating zero.
    COMMAND_LINE_SIZE = 32768,
    // Words of single characters separated by single blanks fill a line at most.
    COMMAND_LINE_WORDS = COMMAND_LINE_SIZE / 2
};

struct CommandLineWords {
    // The words one after another, each with its terminating zero. Never longer
    // than the line itself: no rule makes a word longer than its source.
    char Text[COMMAND_LINE_SIZE];
    // Count pointers into Text, then a null pointer, as an argument vector.
    char *Words[COMMAND_LINE_WORDS + 1];
    int Count;
};

// Splits commandLine into words. Returns the number of words (0 for a blank
// line), or -1 when the line has COMMAND_LINE_SIZE characters or more; words
// then holds no words.
int SplitCommandLine(const char *commandLine, CommandLineWords *words);

// The same with a program word that takes in its first programBlanks runs of
// blanks and tabs as they stand, for a program path with blanks that is not
// quoted ("/opt/My Product/tool a b": 1 gives "/opt/My Product/tool", "a", "b").
// A program word with a double quote takes in none. NO_SUCH_PROGRAM, and no
// words, when the program word cannot take in that many before the line ends.
enum { NO_SUCH_PROGRAM = -2 };
int SplitCommandLineAt(const char *commandLine, int programBlanks, CommandLineWords *words);

#endif
