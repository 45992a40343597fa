// The text reader: one loaded text file with section and key lookup.
#ifndef WIZARD_SCRIPT_TEXT_READER_H
#define WIZARD_SCRIPT_TEXT_READER_H

#include <stddef.h>
#include <stdint.h>

// The single global reader. text holds the file's bytes, exactly as many as the
// file has and unterminated, less a leading UTF-8 byte order mark (EF BB BF),
// with every CR LF rewritten to LF NUL; cursor is the offset of the current
// line. A line ends at CR LF or at a bare LF; bytes after the last line end
// belong to no line. lineCount is the number of LF bytes.
//
// Texts outside the usual form are read safely: a NUL byte hides the rest of its
// line; a line longer than 126 characters, or holding a NUL, is never taken for
// a value (a cut line could name a different file), though a "[" at its start
// still ends a section; header names of any length are compared whole.
struct TextReader {
    char *text;
    uint32_t size;
    uint32_t cursor;
    uint32_t lineIndex;
    uint32_t lineCount;
};

extern TextReader Reader;

// The longest line, in characters without its line end, that a value is ever
// taken from.
enum { READER_LINE_LIMIT = 126 };

// One line of the loaded text as the reader walks it.
struct TextLine {
    const char *text; // its first character, inside the reader's text
    uint32_t length;  // its characters, without the LF
    uint32_t visible; // those before a NUL, if it holds one; else length
    uint32_t number;  // 1 for the first line
};

// 1: loaded, cursor at the top; 0: failed, nothing loaded. Opens without sharing.
int LoadTextFile(const char *name);

// The same from bytes already in memory: copies size bytes into a text of its
// own and treats them as a loaded file. 1: loaded; 0: out of memory or larger
// than 4 GiB, nothing loaded.
int LoadTextBytes(const char *bytes, size_t size);

// Frees the text; always 1.
int ReleaseText();

// Copies the current line (its characters and LF) strncpy-style into dest, but
// cut to size - 1 bytes and always terminated, and steps past the whole line;
// returns dest, or none when no line is left (dest untouched).
char *ReadLine(char *dest, size_t size);

// The line at the cursor into line, and the cursor past it: 1, or 0 when no
// line is left. What then remains of the text belongs to no line:
// UnendedLength gives its size.
int NextLine(TextLine *line);
uint32_t UnendedLength();

// Puts the cursor back at the top.
void RewindText();

// The number of the line the cursor last stepped past (1 for the first line):
// after a lookup that found a value, the line that holds it.
uint32_t CurrentLineNumber();

// The rules of a line: the length of the name of a section header (the run of
// A-Z, 0-9 and "_" after a "[" that begins the line; 0 when the line is no
// header), and the length of a key (everything before the first LF, CR or
// "=", blanks at its end removed). line holds length characters, or is
// terminated.
size_t HeaderNameLength(const char *line, size_t length);
size_t KeyLength(const char *line);

// From the top: 1 when a header of that name was found (cursor after it), else 0.
int SeekSection(const char *name);

// First value of key in the first section of that name. 1 found (value filled,
// unless it is none), 0 not found (value untouched). The value is copied
// strncpy-style but cut to size - 1 bytes and always terminated; a key line
// without "=" or without a value gives "".
int GetSectionValue(const char *section, const char *key, char *value, size_t size);

// Next value of key from the cursor, within the current section.
int NextSectionValue(const char *key, char *value, size_t size);

#endif
