// The work list: one record per thing the update is to do.
#ifndef WIZARD_UPDATE_WORK_LIST_H
#define WIZARD_UPDATE_WORK_LIST_H

#include "state/wizard_state.h"

#include <stdint.h>

enum : uint32_t {
    ENTRY_COPY = 0x01,
    ENTRY_ADD = 0x02,
    ENTRY_FAILED = 0x04,
    ENTRY_CLEANUP = 0x08,
    ENTRY_EXECUTE = 0x10,
    ENTRY_REMOVE = 0x20
};

struct WorkEntry {
    uint32_t kind;
    char name[NAME_SIZE];
    int32_t extra;
    int32_t time;
    WorkEntry *next;
};

// Creates an entry at the head of Wizard.WorkListHead from a value of up to 127
// characters (name,time,extra; altered in place). None when out of memory.
WorkEntry *AddWorkEntry(char *value);

// Number of entries whose kind shares a bit with mask.
int32_t CountWorkEntries(uint32_t mask);

// Frees every entry; the head is none afterwards.
void FreeWorkList();

#endif
