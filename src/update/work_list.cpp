// The work list: one record per thing the update is to do.
#include "update/work_list.h"

#include "script/values.h"

#include <stdio.h>
#include <stdlib.h>

enum {
    // name, time and extra; later fields are ignored.
    ENTRY_FIELDS = 3
};

WorkEntry *AddWorkEntry(char *value) {
    WorkEntry *entry = (WorkEntry *)calloc(1, sizeof *entry);
    if (entry == NULL) {
        return NULL;
    }
    // Linked in before parsing: no value can keep the entry off the list.
    entry->next = Wizard.WorkListHead;
    Wizard.WorkListHead = entry;

    char *fields[ENTRY_FIELDS];
    int count = SplitCommaFields(value, fields, ENTRY_FIELDS);
    if (count > 0) {
        snprintf(entry->name, sizeof entry->name, "%s", fields[0]);
    }
    if (count > 1) {
        entry->time = ParseInteger(fields[1]);
    }
    if (count > 2) {
        entry->extra = ParseInteger(fields[2]);
    }
    return entry;
}

int32_t CountWorkEntries(uint32_t mask) {
    int32_t count = 0;
    for (const WorkEntry *entry = Wizard.WorkListHead; entry != NULL; entry = entry->next) {
        if (entry->kind & mask) {
            count++;
        }
    }
    return count;
}

void FreeWorkList() {
    WorkEntry *entry = Wizard.WorkListHead;
    while (entry != NULL) {
        WorkEntry *next = entry->next;
        free(entry);
        entry = next;
    }
    Wizard.WorkListHead = NULL;
}
