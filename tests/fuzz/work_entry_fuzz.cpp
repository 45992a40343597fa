// Adds entries from arbitrary values: every entry's name must be terminated
// within its field, and the list must count and free cleanly.
#include "update/work_list.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

// The list's head lives in the program's global state.
WizardState Wizard;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Values reach AddWorkEntry from a 128-byte buffer; longer ones are tried
    // too, split into pieces at NUL bytes as a caller's buffer would end them.
    char *value = (char *)malloc(size + 1);
    if (value == NULL) {
        return 0;
    }
    memcpy(value, data, size);
    value[size] = '\0';
    int32_t added = 0;
    for (size_t at = 0; at <= size; at += strlen(value + at) + 1) {
        WorkEntry *entry = AddWorkEntry(value + at);
        if (entry == NULL) {
            break;
        }
        entry->kind = ENTRY_COPY;
        if (memchr(entry->name, '\0', sizeof entry->name) == NULL) {
            abort();
        }
        added++;
    }
    free(value);
    if (CountWorkEntries(ENTRY_COPY) != added) {
        abort();
    }
    FreeWorkList();
    if (Wizard.WorkListHead != NULL) {
        abort();
    }
    return 0;
}
