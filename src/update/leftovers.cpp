#include "update/leftovers.h"

#include "state/wizard_state.h"
#include "sys/files.h"
#include "update/removal.h"

#include <string.h>

// "WIZ", one to four hexadecimal digits, ".TMP": the temporary names of both
// platforms (Wine writes the digits and the extension in lower case).
static int IsExpansionTemporary(const char *name) {
    if (strncmp(name, "WIZ", 3) != 0)
        return 0;
    size_t digits = strspn(name + 3, "0123456789ABCDEFabcdef");
    const char *extension = name + 3 + digits;
    return digits > 0 && digits <= 4 &&
           (strcmp(extension, ".TMP") == 0 || strcmp(extension, ".tmp") == 0);
}

// ".wizcopy" and the six characters that mkstemp draws.
static int IsReplacementTwin(const char *name) {
    return strncmp(name, ".wizcopy", 8) == 0 && strlen(name) == 8 + 6;
}

// Every match of pattern that test accepts; the search starts again after a
// deletion, since the directory has changed.
static void RemoveMatches(const char *pattern, int (*test)(const char *)) {
    char name[PATH_SIZE];
    int skipped = 0;
    while (FindMatchAt(pattern, skipped, name, sizeof name)) {
        if (!test(name) || RemoveFile(name, 0) != 0)
            skipped++;
    }
}

void RemoveLeftovers() {
    RemoveMatches("WIZ*.TMP", IsExpansionTemporary);
    RemoveMatches(".wizcopy*", IsReplacementTwin);
    RemoveFile("!tmpexec.$$$", 0);
    RemoveFile("!tmpexec.tmp", 0);
}
