// The text reader: one loaded text file with section and key lookup.
//
// Each line lies in the text as its characters and an LF; a CR LF pair is
// rewritten to LF NUL when the file is loaded, so the NUL after a line's LF
// belongs to its line end. A bare LF ends a line too, so files written with
// either convention read the same. Bytes after the last LF are never part of a
// line: the line count is the number of LF bytes and no line reaches past it.
#include "script/text_reader.h"

#include "script/values.h"
#include "sys/files.h"

#include <stdlib.h>
#include <string.h>

enum {
    // The value lookups examine each line in a buffer of this size: a line of
    // the longest length fits with its LF and a terminator.
    LINE_SIZE = READER_LINE_LIMIT + 2
};

TextReader Reader;

static char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
}

static int IsHeaderChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Editors that save as UTF-8 may put EF BB BF first; it is no part of the
// first line, whose section header would otherwise never be found.
static size_t ByteOrderMarkLength(const char *text, size_t size) {
    return size >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
}

// Rewrites every CR LF pair to LF NUL and counts the lines. The buffer has no
// terminator, so a CR in the last byte is left alone rather than paired with
// whatever lies beyond it.
static void NormaliseText() {
    char *text = Reader.text;
    Reader.cursor = 0;
    Reader.lineIndex = 0;
    Reader.lineCount = 0;
    for (uint32_t at = 0; at < Reader.size; at++) {
        if (text[at] == '\r' && at + 1 < Reader.size && text[at + 1] == '\n') {
            text[at] = '\n';
            text[at + 1] = '\0';
        }
        if (text[at] == '\n') {
            Reader.lineCount++;
        }
    }
}

int NextLine(TextLine *line) {
    if (Reader.lineIndex >= Reader.lineCount || Reader.text == NULL) {
        return 0;
    }
    const char *start = Reader.text + Reader.cursor;
    uint32_t left = Reader.size - Reader.cursor;
    const char *lf = (const char *)memchr(start, '\n', left);
    // The line count guarantees an LF; a missing one would mean a broken state.
    if (lf == NULL) {
        return 0;
    }
    uint32_t length = (uint32_t)(lf - start);
    const char *nul = (const char *)memchr(start, '\0', length);
    line->text = start;
    line->length = length;
    line->visible = nul != NULL ? (uint32_t)(nul - start) : length;
    line->number = ++Reader.lineIndex;
    Reader.cursor += length + 1;
    if (Reader.cursor < Reader.size && Reader.text[Reader.cursor] == '\0') {
        Reader.cursor++; // the NUL written over the LF of a CR LF pair
    }
    return 1;
}

uint32_t UnendedLength() {
    return Reader.lineIndex >= Reader.lineCount ? Reader.size - Reader.cursor : 0;
}

uint32_t CurrentLineNumber() {
    return Reader.lineIndex;
}

void RewindText() {
    Reader.cursor = 0;
    Reader.lineIndex = 0;
}

// Takes the line at the cursor: copies what is visible of it (its characters
// and LF, or those before a NUL inside it) strncpy-style into dest, but always
// terminated and cut to fit, and steps to the next line whatever was copied.
// *whole becomes 1 when the entire line, its LF and a terminator fitted into
// dest. 0 when no line is left.
static int TakeLine(char *dest, size_t size, int *whole) {
    TextLine line;
    if (!NextLine(&line)) {
        return 0;
    }
    int hasNul = line.visible < line.length;
    size_t visible = hasNul ? line.visible : (size_t)line.length + 1;
    if (size > 0) {
        size_t copied = visible < size - 1 ? visible : size - 1;
        memcpy(dest, line.text, copied);
        memset(dest + copied, 0, size - copied);
    }
    *whole = !hasNul && visible < size;
    return 1;
}

// Reads the file whole into a buffer of exactly its size; 1 on success.
static int ReadWholeFile(FileHandle file) {
    int64_t size = 0;
    if (SizeOfFile(file, &size) != 0 || size > (int64_t)UINT32_MAX) {
        return 0;
    }
    // One byte for an empty file, so that a held text is never a null pointer.
    char *text = (char *)calloc(size > 0 ? (size_t)size : 1, 1);
    if (text == NULL) {
        return 0;
    }
    size_t got = 0;
    if (ReadFromFile(file, text, (size_t)size, &got) != 0 || got != (size_t)size) {
        free(text);
        return 0;
    }
    Reader.text = text;
    Reader.size = (uint32_t)size;
    return 1;
}

int LoadTextFile(const char *name) {
    ReleaseText();
    FileHandle file;
    if (OpenToRead(name, SHARE_NONE, &file) != 0) {
        return 0;
    }
    int loaded = ReadWholeFile(file);
    CloseFileHandle(file);
    if (!loaded) {
        return 0;
    }
    size_t mark = ByteOrderMarkLength(Reader.text, Reader.size);
    Reader.size -= (uint32_t)mark;
    memmove(Reader.text, Reader.text + mark, Reader.size);
    NormaliseText();
    return 1;
}

int LoadTextBytes(const char *bytes, size_t size) {
    ReleaseText();
    size_t mark = ByteOrderMarkLength(bytes, size);
    bytes += mark;
    size -= mark;
    if (size > UINT32_MAX) {
        return 0;
    }
    char *text = (char *)malloc(size > 0 ? size : 1);
    if (text == NULL) {
        return 0;
    }
    if (size > 0) {
        memcpy(text, bytes, size);
    }
    Reader.text = text;
    Reader.size = (uint32_t)size;
    NormaliseText();
    return 1;
}

// Every field goes back to empty, so that no lookup can reach freed memory.
int ReleaseText() {
    free(Reader.text);
    Reader.text = NULL;
    Reader.size = 0;
    Reader.cursor = 0;
    Reader.lineIndex = 0;
    Reader.lineCount = 0;
    return 1;
}

char *ReadLine(char *dest, size_t size) {
    int whole;
    return TakeLine(dest, size, &whole) ? dest : NULL;
}

size_t HeaderNameLength(const char *line, size_t length) {
    if (length == 0 || line[0] != '[') {
        return 0;
    }
    size_t run = 0;
    while (1 + run < length && IsHeaderChar(line[1 + run])) {
        run++;
    }
    return run;
}

// A header whose name equals the upper-cased name; whatever follows the name is
// ignored. The name is compared in place, so one of any length is read safely.
static int IsHeaderOf(const char *line, uint32_t left, const char *name) {
    size_t run = HeaderNameLength(line, left);
    for (size_t i = 0; i < run; i++) {
        if (name[i] == '\0' || UpperAscii(name[i]) != line[1 + i]) {
            return 0;
        }
    }
    return run > 0 && name[run] == '\0';
}

int SeekSection(const char *name) {
    RewindText();
    TextLine line;
    while (NextLine(&line)) {
        if (IsHeaderOf(line.text, line.visible, name)) {
            return 1;
        }
    }
    return 0;
}

size_t KeyLength(const char *line) {
    size_t length = strcspn(line, "\n\r=");
    while (length > 0 && line[length - 1] == ' ') {
        length--;
    }
    return length;
}

// The key text, leading blanks and tabs a part of it, equals the upper-cased key.
static int KeyMatches(const char *line, const char *key) {
    size_t keyLength = KeyLength(line);
    for (size_t i = 0; i < keyLength; i++) {
        if (key[i] == '\0' || UpperAscii(key[i]) != line[i]) {
            return 0;
        }
    }
    return key[keyLength] == '\0';
}

// Fills the destination from the line whose key matched. A line without "="
// or with nothing before the ";" still counts as the match and gives an empty
// value.
static void StoreValue(const char *line, size_t keyLength, char *value, size_t size) {
    char text[LINE_SIZE] = "";
    if (line[keyLength] == '=') {
        const char *start = line + keyLength + 1;
        size_t length = strcspn(start, "\n\r;");
        memcpy(text, start, length);
        text[length] = '\0';
    }
    const char *trimmed = text + strspn(text, " ");
    if (value != NULL && size > 0) {
        // Cut to fit and always terminated, the rest zero-filled as strncpy does.
        size_t length = strlen(trimmed);
        if (length > size - 1) {
            length = size - 1;
        }
        memcpy(value, trimmed, length);
        memset(value + length, 0, size - length);
    }
}

// Reads lines from the cursor until one has the key (1) or the section or the
// text ends (0). A line too long for the line buffer, or holding a NUL, is never
// taken for a value: a cut line could yield a shorter, different file name.
static int LookUpValue(const char *key, char *value, size_t size) {
    char line[LINE_SIZE];
    int whole;
    while (TakeLine(line, sizeof line, &whole)) {
        if (line[0] == '[') {
            return 0;
        }
        if (!whole) {
            continue;
        }
        size_t keyLength = strcspn(line, "\n\r=");
        if (keyLength == 0 || !KeyMatches(line, key)) {
            continue;
        }
        StoreValue(line, keyLength, value, size);
        return 1;
    }
    return 0;
}

int GetSectionValue(const char *section, const char *key, char *value, size_t size) {
    if (!SeekSection(section)) {
        return 0;
    }
    return LookUpValue(key, value, size);
}

int NextSectionValue(const char *key, char *value, size_t size) {
    return LookUpValue(key, value, size);
}
