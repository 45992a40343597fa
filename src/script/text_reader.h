// The text reader: one loaded text file with section and key lookup.
#ifndef WIZARD_SCRIPT_TEXT_READER_H
#define WIZARD_SCRIPT_TEXT_READER_H

#include <stddef.h>
#include <stdint.h>

// The single global reader. text holds the file's bytes after line-end
// normalisation; cursor is the offset of the current line.
struct TextReader {
    char *text;
    uint32_t size;
    uint32_t cursor;
    uint32_t lineIndex;
    uint32_t lineCount;
};

extern TextReader Reader;

// 1: loaded, cursor at the top; 0: failed, nothing loaded. Opens without sharing.
int LoadTextFile(const char *name);

// The same from bytes already in memory: copies size bytes into a text of its
// own and treats them as a loaded file. 1: loaded; 0: out of memory or larger
// than 4 GiB, nothing loaded.
int LoadTextBytes(const char *bytes, size_t size);

// Frees the text; always 1.
int ReleaseText();

// Copies the current line (its characters and LF) strncpy-style into dest and
// steps past it; returns dest, or none when no line is left.
char *ReadLine(char *dest, size_t size);

// From the top: 1 when a header of that name was found (cursor after it), else 0.
int SeekSection(const char *name);

// First value of key in the first section of that name. 1 found (destinations
// filled; either may be none), 0 not found (destinations untouched).
int GetSectionValue(const char *section, const char *key, char *value, size_t size,
                    int32_t *number);

// Next value of key from the cursor, within the current section.
int NextSectionValue(const char *key, char *value, size_t size, int32_t *number);

#endif
