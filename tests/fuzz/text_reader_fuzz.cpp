// Loads arbitrary bytes as a text and runs every lookup over it. The first two
// bytes choose the value destination's size and which names are looked up;
// the rest is the text, held in a buffer of exactly its size, so any read past
// a line or the text is caught by the address sanitizer.
#include "script/text_reader.h"
#include "sys/files.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

// The file primitives are not reached from memory; these keep the link small.
FileHandle OpenFileExclusive(const char *) {
    return NO_FILE;
}
int64_t FileSizeOf(FileHandle) {
    return -1;
}
int64_t ReadFromFile(FileHandle, void *, size_t) {
    return -1;
}
void CloseFileHandle(FileHandle) {}

enum { NAME_LIMIT = 300, VALUE_LIMIT = 200 };

static const char *const SECTIONS[] = {"HEADER", "PRECHECK", "COPY", "EXECUTE",
                                       "REMOVE", "ADD",      "PFF",  "header"};
static const char *const KEYS[] = {"CMD",  "EXE",    "DST",  "SRC",   "RESEXE", "UPD",
                                   "COPY", "REMOVE", "FILE", "ENTRY", "cmd",    ""};

static void CheckInvariants() {
    if (Reader.lineIndex > Reader.lineCount || Reader.cursor > Reader.size) {
        abort();
    }
}

// A value is always terminated inside its destination, and the bytes after the
// destination are never written.
static void CheckValue(const char *value, size_t size) {
    if (size > 0 && memchr(value, '\0', size) == NULL) {
        abort();
    }
    for (size_t i = size; i < VALUE_LIMIT + 1; i++) {
        if (value[i] != 'G') {
            abort();
        }
    }
}

static void LookUp(const char *section, const char *key, size_t size) {
    char value[VALUE_LIMIT + 1];
    int32_t number = 0;
    memset(value, 'G', sizeof value);
    if (GetSectionValue(section, key, value, size, &number)) {
        CheckValue(value, size);
    }
    CheckInvariants();
    memset(value, 'G', sizeof value);
    while (NextSectionValue(key, value, size, &number)) {
        CheckValue(value, size);
        CheckInvariants();
        memset(value, 'G', sizeof value);
    }
    if (Reader.lineIndex > Reader.lineCount) {
        abort();
    }
}

// The text's first line as a name, so that headers and keys in the input can be
// matched however long they are.
static void NameFromText(char *name, size_t size) {
    size_t length = 0;
    const char *text = Reader.text;
    while (length + 1 < size && length < Reader.size && text[length] != '\n' &&
           text[length] != '\0') {
        length++;
    }
    memcpy(name, text, length);
    name[length] = '\0';
    // Past "[" for a header, up to "=" for a key.
    char *equals = strchr(name, '=');
    if (equals != NULL) {
        *equals = '\0';
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) {
        return 0;
    }
    size_t valueSize = data[0] % (VALUE_LIMIT + 1);
    unsigned choice = data[1];
    if (!LoadTextBytes((const char *)data + 2, size - 2)) {
        return 0;
    }

    uint32_t lines = 0;
    char line[128];
    while (ReadLine(line, choice % sizeof line) != NULL) {
        lines++;
    }
    if (lines != Reader.lineCount) {
        abort();
    }

    char name[NAME_LIMIT];
    NameFromText(name, sizeof name);
    const char *section = SECTIONS[choice % (sizeof SECTIONS / sizeof *SECTIONS)];
    const char *key = KEYS[(choice / 8) % (sizeof KEYS / sizeof *KEYS)];
    LookUp(section, key, valueSize);
    LookUp(name[0] == '[' ? name + 1 : name, name, valueSize);
    LookUp(section, name, VALUE_LIMIT);
    SeekSection(name + (name[0] == '['));
    CheckInvariants();

    ReleaseText();
    return 0;
}
