// Arbitrary bytes as a text, held in a buffer of exactly their size, with lookups
// run over them: the address sanitizer catches any read past a line or the text.
// The first byte chooses the value destination's size, the second the names.
#include "script/text_reader.h"

#include <stdlib.h>
#include <string.h>

static const char *const Names[] = {"HEADER", "COPY", "EXE", "REMOVE", "ADD", "PFF", "cmd", ""};

// The value is terminated inside its destination; nothing after it is written.
static void LookUp(const char *section, const char *key, size_t size) {
    char value[201];
    memset(value, 'G', sizeof value);
    for (int found = GetSectionValue(section, key, value, size); found;
         found = NextSectionValue(key, value, size))
        if ((size > 0 && memchr(value, '\0', size) == NULL) || value[size] != 'G' ||
            Reader.lineIndex > Reader.lineCount || Reader.cursor > Reader.size)
            abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2 || !LoadTextBytes((const char *)data + 2, size - 2))
        return 0;
    char line[128];
    uint32_t lines = 0;
    while (ReadLine(line, data[1] % sizeof line) != NULL)
        lines++;
    if (lines != Reader.lineCount)
        abort();
    LookUp(Names[data[1] % 8], Names[(data[1] / 8) % 8], data[0] % 201);
    ReleaseText();
    return 0;
}
